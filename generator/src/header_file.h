// Puts a new header in place of the old one only when its bytes differ, and only when it is
// complete. The chunks are first compared with the old header; from the first difference on they
// go to a new file in the same folder ("app.h.keltrop-PID-N.tmp", the equal part copied over from
// the old header), which commit() moves over the old one. An uncommitted new file is removed, so
// on every error the old header stays as it was and no temporary file remains; an unchanged
// header is never touched, so its time stamp stays.
#pragma once

#include "header_stream.h"
#include "platform.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace keltrop {

class HeaderFile : public ChunkSink {
public:
    explicit HeaderFile(std::string path);
    ~HeaderFile() override;
    HeaderFile(const HeaderFile&) = delete;
    HeaderFile& operator=(const HeaderFile&) = delete;

    bool write(std::string_view chunk) override;

    enum class Result { Unchanged, Replaced, Failed };
    // After the last chunk. Failed: see reason().
    Result commit();
    const std::string& reason() const { return reason_; }

private:
    bool start_new_file();
    bool old_holds_next(std::string_view chunk);
    bool fail();
    void discard();

    std::string path_;
    std::string temp_path_; // empty until the new file is made
    platform::File old_;
    platform::File new_;
    bool same_ = false; // every byte so far equals the old header's
    std::size_t matched_ = 0;
    bool failed_ = false;
    bool committed_ = false;
    std::string compare_;
    std::string reason_;
};

} // namespace keltrop
