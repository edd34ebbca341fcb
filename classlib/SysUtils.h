// Strings, exceptions and path helpers shared by every part of the class library.
// Portable: builds natively for the unit tests as well as for Windows.
#pragma once

#include <exception>
#include <string>

// 8-bit text in the system code page, used for every control text, path and command line.
using AnsiString = std::string;
using String = AnsiString;

class Exception : public std::exception {
public:
    explicit Exception(AnsiString message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }

    AnsiString Message;
};

// Silent exception: the message loop drops it without a word.
class EAbort : public Exception {
public:
    explicit EAbort(AnsiString message = "Operation aborted") : Exception(std::move(message)) {}
};

// A form description could not be read or applied.
class EReadError : public Exception {
public:
    using Exception::Exception;
};

// Folder part of a path: everything up to the last '\' or ':'. The trailing '\' is dropped unless
// it belongs to a root ("C:\" and "\" stay, "\\" of a UNC prefix stays).
AnsiString ExtractFileDir(const AnsiString& fileName);
