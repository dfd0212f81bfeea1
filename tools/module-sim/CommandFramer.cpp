#include "CommandFramer.h"

namespace ModuleSim {

std::optional<std::string> CommandFramer::Feed(char byte)
{
    if (pending_.empty() && byte == '\n')
        return std::nullopt;
    pending_ += byte;
    const bool blockFrame = pending_.size() >= 3 && pending_.compare(0, 3, "ATA") == 0;
    const bool complete = blockFrame ? pending_.size() == kBlockFrameLength
                                     : (byte == '\r' || pending_.size() >= kMaxTextLength);
    if (!complete)
        return std::nullopt;
    std::string command;
    command.swap(pending_);
    return command;
}

} // namespace ModuleSim
