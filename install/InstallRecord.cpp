#include "install/InstallRecord.h"

bool NulListReader::fill() {
    pos_ = 0;
    end_ = file_.read(buffer_.data(), buffer_.size());
    return end_ > 0;
}

bool NulListReader::next(std::string& entry) {
    entry.clear();
    bool overlong = false;
    for (;;) {
        if (pos_ == end_ && !fill()) return false;
        std::uint8_t c = buffer_[pos_++];
        if (c == 0) {
            if (overlong) entry.clear();
            return true;
        }
        if (entry.size() < kMaxRecordEntry)
            entry += static_cast<char>(c);
        else
            overlong = true;
    }
}

bool appendRecordEntry(fsys::File& record, std::string_view entry) {
    std::string bytes(entry);
    bytes += '\0';
    return record.write(bytes.data(), bytes.size()) == bytes.size() && record.flush();
}
