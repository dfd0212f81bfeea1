#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace ModuleSim {

// Cuts the received byte stream into commands as the module does: a text
// command ends at its CR; a block frame starts with "ATA" and is 265 bytes
// long whatever it holds. An LF where a command would start (the one after
// a CR) is ignored. A text line that grows beyond kMaxTextLength without a
// CR is handed on as it stands so that it is refused instead of filling
// memory.
class CommandFramer {
public:
    static constexpr std::size_t kBlockFrameLength = 265;
    static constexpr std::size_t kMaxTextLength = 512;

    // Takes one received byte; returns the command that this byte completes.
    std::optional<std::string> Feed(char byte);

    // Drops a partly received command (line noise, a long pause).
    void Reset() { pending_.clear(); }

    // Bytes of the command being received so far.
    std::size_t PendingLength() const { return pending_.size(); }

private:
    std::string pending_;
};

} // namespace ModuleSim
