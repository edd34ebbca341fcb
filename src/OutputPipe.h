// Capturing a child's standard output without ever blocking on it.
#pragma once

#include <windows.h>

#include <string>

// A pipe whose read end stays with us (overlapped, not inheritable) and whose write end is
// inheritable, to hand to a child as its standard output. Reading drains the pipe while the
// child runs, so a child that writes more than the pipe holds never stalls, and it stops as soon
// as the child has ended even when a descendant of the child still holds the write end.
class TOutputPipe {
public:
    TOutputPipe() = default;
    ~TOutputPipe() { Close(); }
    TOutputPipe(const TOutputPipe&) = delete;
    TOutputPipe& operator=(const TOutputPipe&) = delete;

    bool Create();
    HANDLE WriteEnd() const { return FWrite; }

    // Reads until `process` has ended and what it wrote is read. Keeps the first `keep` bytes
    // and discards the rest; false when nothing could be read at all.
    bool Drain(HANDLE process, std::string& kept, size_t keep);

    // Read end first, then the write end.
    void Close();

private:
    HANDLE FRead = nullptr;
    HANDLE FWrite = nullptr;
};
