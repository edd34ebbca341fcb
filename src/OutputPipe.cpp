#include "OutputPipe.h"

#include <algorithm>
#include <vector>

namespace {
// Under Wine every pipe transfer is a round trip through the server: large reads from a pipe
// that holds as much let the writer run on, about a third faster than 64 KiB for 64 MiB.
constexpr DWORD PipeBuffer = 1024 * 1024;
constexpr size_t ReadSize = 1024 * 1024;
} // namespace

bool TOutputPipe::Create() {
    // Anonymous pipes cannot be waited on; a uniquely named pipe with an overlapped read end
    // can, together with the process handle, in one thread and at full speed.
    static LONG serial = 0;
    char name[96];
    wsprintfA(name, "\\\\.\\pipe\\keltrop_frontend.%lu.%ld", GetCurrentProcessId(),
              InterlockedIncrement(&serial));
    FRead = CreateNamedPipeA(
        name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
        PipeBuffer, 0, nullptr);
    if (FRead == INVALID_HANDLE_VALUE) {
        FRead = nullptr;
        return false;
    }
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    FWrite = CreateFileA(name, GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    if (FWrite == INVALID_HANDLE_VALUE) {
        FWrite = nullptr;
        Close();
        return false;
    }
    return true;
}

void TOutputPipe::Close() {
    if (FRead)
        CloseHandle(FRead);
    if (FWrite)
        CloseHandle(FWrite);
    FRead = FWrite = nullptr;
}

bool TOutputPipe::Drain(HANDLE process, std::string& kept, size_t keep) {
    std::vector<char> chunk(ReadSize);
    OVERLAPPED ov = {};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!ov.hEvent)
        return false;
    bool readAny = false;
    const auto take = [&](DWORD got) {
        if (got == 0)
            return;
        readAny = true;
        const size_t room = keep > kept.size() ? keep - kept.size() : 0;
        kept.append(chunk.data(), std::min<size_t>(got, room));
    };
    const auto read = [&](DWORD size, DWORD& got) {
        ResetEvent(ov.hEvent);
        got = 0;
        if (ReadFile(FRead, chunk.data(), size, &got, &ov))
            return true;
        return GetLastError() == ERROR_IO_PENDING && GetOverlappedResult(FRead, &ov, &got, TRUE);
    };

    // While the process runs, wait on the pending read and on the process at once. The process
    // comes first in every check: a descendant that keeps writing must not keep us reading.
    // Reads that complete at once check it every few times only, as each check costs as much
    // as a read under Wine; that bounds what a descendant can add to a handful of reads.
    unsigned immediate = 0;
    for (;;) {
        DWORD got = 0;
        ResetEvent(ov.hEvent);
        if (ReadFile(FRead, chunk.data(), static_cast<DWORD>(chunk.size()), &got, &ov)) {
            take(got);
            if (++immediate % 16 != 0 || WaitForSingleObject(process, 0) == WAIT_TIMEOUT)
                continue;
            break;
        }
        if (GetLastError() != ERROR_IO_PENDING)
            break;
        const HANDLE events[2] = {process, ov.hEvent};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
            if (!GetOverlappedResult(FRead, &ov, &got, FALSE))
                break;
            take(got);
            continue;
        }
        // The process has ended: stop the pending read, keeping what it may have got already.
        CancelIo(FRead);
        if (GetOverlappedResult(FRead, &ov, &got, TRUE))
            take(got);
        break;
    }
    // Then take what the process left in the pipe; whatever a descendant writes from now on is
    // not waited for.
    {
        DWORD got = 0;
        DWORD remaining = 0;
        if (!PeekNamedPipe(FRead, nullptr, 0, nullptr, &remaining, nullptr))
            remaining = 0;
        while (remaining > 0 &&
               read(std::min<DWORD>(remaining, static_cast<DWORD>(chunk.size())), got) && got) {
            take(got);
            remaining -= std::min(remaining, got);
        }
    }
    CloseHandle(ov.hEvent);
    return readAny;
}
