#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

// What travels on the emulated telephone's socket, read and written by the telephone's side
// alone: the emulator keeps its own framing and its own reading of the command bytes, so a
// fault in the desktop program's link cannot be mirrored here and pass unnoticed.
//
// Every message is a frame: a 2-byte little-endian length N, then N bytes. A command is the
// payload of one frame, 8 bytes: byte 0 the command code, little-endian fields after it.
namespace tovrel::emulator::wire {

// The frame holding `payload`; the telephone's answers are at most 256 bytes.
QByteArray frame(QByteArrayView payload);

// Takes the first complete frame off the front of `buffer` and returns its payload, or nothing
// while the frame is still incomplete.
std::optional<QByteArray> takeFrame(QByteArray &buffer);

enum class Code : quint8
{
    Count = 1,    // answer: the number of recordings, 2 bytes little-endian
    Record = 2,   // bytes 1-2: recording index; answer: its directory record
    Data = 3,     // bytes 1-4: address, bytes 5-6: byte count; answer: those bytes
    Password = 4, // answer: the password's 4 digits (values 0-9), thousands first
};

constexpr int kCommandBytes = 8;
// The most bytes one data command may ask for.
constexpr int kLargestDataCount = 256;

struct Command
{
    quint8 code = 0;
    int index = 0;       // record: bytes 1-2
    quint32 address = 0; // data: bytes 1-4
    int count = 0;       // data: bytes 5-6

    bool is(Code c) const { return code == quint8(c); }
};

// The command a frame's payload holds, or nothing when it is shorter than a command.
std::optional<Command> parseCommand(QByteArrayView payload);

} // namespace tovrel::emulator::wire
