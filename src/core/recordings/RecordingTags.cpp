#include "recordings/RecordingTags.h"

#include "recordings/CallTime.h"

namespace tovrel {

AudioTags recordingTags(const RecordingHeader &header, const QString &contact, const QString &note,
                        const QDateTime &now)
{
    AudioTags tags;
    QStringList title{attributeText(header.attribute)};
    if (!header.number.isEmpty())
        title.append(header.number);
    if (!contact.isEmpty())
        title.append(contact);
    tags.title = title.join(QLatin1Char(' '));
    if (const auto call = callDateTime(header, now))
        tags.date = call->toString(QStringLiteral("yyyy-MM-ddTHH:mm"));
    tags.artist = contact;
    tags.comment = note;
    return tags;
}

} // namespace tovrel
