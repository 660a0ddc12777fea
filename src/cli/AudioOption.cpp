#include "AudioOption.h"
#include "CliText.h"

namespace tovrel::cli {

namespace {

// The value of `--name VALUE` or `--name=VALUE` at `args[i]`, moving `i` past it; nothing when
// `args[i]` is not the option. `missing` is set when the option has no value.
std::optional<QString> optionValue(const QStringList &args, qsizetype &i, QLatin1String name,
                                   bool *missing)
{
    const QString &a = args[i];
    if (a == name) {
        if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
            *missing = true;
            return QString();
        }
        return args[++i];
    }
    if (a.startsWith(name + QLatin1Char('='))) {
        const QString value = a.mid(name.size() + 1);
        *missing = value.isEmpty();
        return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> takeAudioOptions(QStringList &args, AudioChoice &choice, bool *formatGiven)
{
    *formatGiven = false;
    bool bitrateGiven = false;
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        bool missing = false;
        if (const auto format = optionValue(args, i, QLatin1String("--format"), &missing)) {
            const auto known = formatFromName(*format);
            if (missing || !known)
                return cliTr("--format takes wav, flac, opus or mp3: %1").arg(*format);
            choice.format = *known;
            *formatGiven = true;
        } else if (const auto rate = optionValue(args, i, QLatin1String("--bitrate"), &missing)) {
            bool ok = false;
            choice.bitrateKbps = rate->toInt(&ok);
            if (missing || !ok || choice.bitrateKbps < 1)
                return cliTr("--bitrate takes a number of kbit/s: %1").arg(*rate);
            bitrateGiven = true;
        } else {
            rest.append(args[i]);
        }
    }
    if (bitrateGiven) {
        if (const auto refusal = bitrateRefusal(choice.format, choice.bitrateKbps))
            return *refusal;
    }
    args = rest;
    return std::nullopt;
}

} // namespace tovrel::cli
