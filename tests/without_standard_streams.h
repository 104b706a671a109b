#pragma once

// Starts a child process as Explorer starts a windowed program: without standard input, output
// and error.

class QProcess;

namespace gegu::test {

// Sets up the process, before it starts, to have none of the three standard streams: on
// Windows no standard handles at all, on Unix descriptors 0, 1 and 2 closed.
void withoutStandardStreams(QProcess& process);

} // namespace gegu::test
