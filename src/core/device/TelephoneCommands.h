#pragma once

#include <QtGlobal>

#include <array>

// The telephone's commands: 8 bytes each, byte 0 the command code, little-endian fields after
// it; the bytes a command does not use are sent as zero.
namespace tovrel {

enum class TelephoneCommand : quint8
{
    Count = 1,    // answer: 2 bytes, the number of recordings, little-endian
    Record = 2,   // bytes 1-2: recording index; answer: its directory record (19 or 32 bytes)
    Data = 3,     // bytes 1-4: address, 5-6: byte count (1-256); answer: that many bytes
    Password = 4, // answer: 4 bytes, the password's digits (values 0-9), thousands first
};

constexpr int kCommandLength = 8;
using CommandBytes = std::array<quint8, kCommandLength>;

// Largest byte count of one data command, and the size of the data buffer.
constexpr int kPacketBytes = 256;
// Length of the answers.
constexpr int kCountAnswerLength = 2;
constexpr int kPasswordAnswerLength = 4;
constexpr int kProbeReadLength = 32;

CommandBytes countCommand();
// Index bytes: N mod 256, then N / 256 (mod 256).
CommandBytes recordCommand(int index);
CommandBytes dataCommand(quint32 address, int count);
CommandBytes passwordCommand();

} // namespace tovrel
