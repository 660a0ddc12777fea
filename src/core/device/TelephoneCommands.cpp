#include "TelephoneCommands.h"

namespace tovrel {
namespace {

CommandBytes command(TelephoneCommand code)
{
    CommandBytes bytes{};
    bytes[0] = quint8(code);
    return bytes;
}

} // namespace

CommandBytes countCommand()
{
    return command(TelephoneCommand::Count);
}

CommandBytes recordCommand(int index)
{
    CommandBytes bytes = command(TelephoneCommand::Record);
    bytes[1] = quint8(index & 0xFF);
    bytes[2] = quint8((index >> 8) & 0xFF);
    return bytes;
}

CommandBytes dataCommand(quint32 address, int count)
{
    CommandBytes bytes = command(TelephoneCommand::Data);
    for (int i = 0; i < 4; ++i)
        bytes[1 + i] = quint8((address >> (8 * i)) & 0xFF);
    bytes[5] = quint8(count & 0xFF);
    bytes[6] = quint8((count >> 8) & 0xFF);
    return bytes;
}

CommandBytes passwordCommand()
{
    return command(TelephoneCommand::Password);
}

} // namespace tovrel
