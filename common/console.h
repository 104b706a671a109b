#pragma once

// The standard streams as Gegu's programs write them: the same bytes on every system.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdio>
#include <optional>

namespace gegu {

// Puts standard input, output and error in binary mode where the C runtime would otherwise
// turn "\n" into "\r\n" on output and CR LF into LF on input (Windows); elsewhere nothing.
void useBinaryStandardStreams();

// All of standard input, as bytes; nullopt, and why in error, when a read fails.
std::optional<QByteArray> readStandardInput(QString& error);

// Writes UTF-8 bytes to the stream as they are and flushes it; false when that fails. A
// console window on Windows gets the text they encode instead, which it shows whatever its
// code page.
bool writeUtf8(std::FILE* stream, QByteArrayView bytes);

// Writes the text and a line feed to the stream (standard error): in the user's encoding, or
// UTF-8 on Windows, where a console gets the text itself.
void writeLine(std::FILE* stream, const QString& text);

} // namespace gegu
