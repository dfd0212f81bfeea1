// Module replies of arbitrary bytes, arriving in arbitrary pieces, judged by
// the reply rule the transports use; and a block read-back over such a reply.
//
// Input: byte 0 the length of the command echo, byte 1 bit 0 whether 256
// data bytes are expected after it (a block read), then pieces, each a
// length byte followed by that many reply bytes.
#include "FuzzSupport.h"

#include "DeviceLink.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

// Feeds reply bytes into the link's reply buffer the way a transport's read
// loop does and asks the rule after every piece.
class ReplyFeed : public DeviceLink {
public:
    using Verdict = DeviceLink::ReplyVerdict;

    void Start()
    {
        reply_.fill(0);
        received_ = 0;
    }
    // False once the buffer is full (a transport stops storing then).
    bool Append(const std::uint8_t *bytes, std::size_t n)
    {
        const std::size_t room = reply_.size() - received_;
        if (room == 0)
            return false;
        n = std::min(n, room);
        std::memcpy(reply_.data() + received_, bytes, n);
        received_ += n;
        return true;
    }
    Verdict Judge(unsigned sent, unsigned extra) const { return JudgeReply(received_, sent, extra); }
    std::size_t Received() const { return received_; }
    std::string_view Text() const
    {
        return std::string_view(reinterpret_cast<const char *>(reply_.data()),
                                std::min(received_, reply_.size() - 1));
    }

    // A block read answered with the bytes of the input as the reply.
    std::string_view scripted;
    LinkResult Transact(const std::uint8_t *, unsigned, unsigned, unsigned) override
    {
        reply_.fill(0);
        const std::size_t n = std::min(scripted.size(), reply_.size());
        std::memcpy(reply_.data(), scripted.data(), n);
        return n > 0 ? kLinkOk : kLinkFail;
    }

private:
    std::size_t received_ = 0;
};

}  // namespace

int FuzzReplyRuleOne(const std::uint8_t *data, std::size_t size)
{
    fuzz::ByteReader in(data, size);
    const unsigned sent = in.Byte();
    const unsigned extra = (in.Byte() & 1) ? unsigned(Protocol::kBlockSize) : 0u;

    ReplyFeed link;
    link.Start();
    ReplyFeed::Verdict verdict = ReplyFeed::Verdict::Pending;
    while (in.Left() > 0 && verdict == ReplyFeed::Verdict::Pending) {
        const std::size_t piece = std::min<std::size_t>(in.Byte(), in.Left());
        const bool stored = link.Append(in.Here(), piece);
        in.Skip(piece);
        if (!stored)
            break;
        verdict = link.Judge(sent, extra);

        // The rule: no verdict before more than echo and data have arrived;
        // after that "OK" anywhere wins, then "ERROR"; zero bytes never match.
        const std::string_view text = link.Text();
        const bool enough = link.Received() > std::size_t(sent) + extra;
        ReplyFeed::Verdict expected = ReplyFeed::Verdict::Pending;
        if (enough && text.find("OK") != std::string_view::npos)
            expected = ReplyFeed::Verdict::Ok;
        else if (enough && text.find("ERROR") != std::string_view::npos)
            expected = ReplyFeed::Verdict::Error;
        FUZZ_CHECK(verdict == expected);
    }

    // The read-back copies 256 bytes after the echo whatever the reply held.
    link.scripted = std::string_view(reinterpret_cast<const char *>(data), size);
    std::uint8_t block[Protocol::kBlockSize];
    std::memset(block, 0xA5, sizeof block);
    const LinkResult result = link.ReadBlock(0x12345678u, block);
    FUZZ_CHECK(result == (size > 0 ? kLinkOk : kLinkFail));
    for (std::size_t i = 0; i < sizeof block; ++i) {
        const std::size_t at = Protocol::kReadBlockEchoLength + i;
        FUZZ_CHECK(block[i] == (at < size ? data[at] : 0));
    }
    return 0;
}

TARVELLO_FUZZ_ENTRY(FuzzReplyRuleOne)
