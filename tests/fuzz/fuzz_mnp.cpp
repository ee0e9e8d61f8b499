// Whatever bytes arrive on the serial line, the MNP layer neither crashes nor
// reads out of bounds: the deframer, the LR parser and the link behind them.
// The deframer takes runs of bytes exactly as it takes them one by one, and a
// link with a window open both ways survives any frames that pass the CRC.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/mnp/mnp_frame.h"
#include "link/mnp/mnp_link.h"
#include "link/mnp/mnp_packets.h"

namespace {

// Every frame the deframer finds in `data`, and the drops, fed both ways.
void CompareDeframing(const uint8_t* data, size_t size) {
    zd::mnp::Deframer oneByOne, inRuns;
    std::vector<std::vector<uint8_t>> framesOne, framesRuns;
    for (size_t i = 0; i < size; ++i)
        if (oneByOne.Push(data[i])) framesOne.push_back(oneByOne.body());
    for (size_t i = 0; i < size;) {
        bool complete = false;
        i += inRuns.Push(data + i, size - i, &complete);
        if (complete) framesRuns.push_back(inRuns.body());
    }
    if (framesOne != framesRuns || oneByOne.dropped() != inRuns.dropped()) std::abort();
}

// The input as frame bodies (each led by its length byte), framed properly so
// that they pass the CRC and reach the windowed link behind it: a desktop in
// the data phase with eight frames of its own out, as a Newton may answer.
void FeedWindowedLink(const uint8_t* data, size_t size) {
    using namespace zd::mnp;
    MnpLink link([](const uint8_t*, size_t) {});
    std::vector<uint8_t> wire;
    AppendFrame(NewtonLinkRequest(kMaxWindow), wire);
    link.Input(wire.data(), wire.size(), 0);
    link.Accept(0);
    wire.clear();
    AppendFrame(LaBody(0, kMaxWindow, true), wire);
    link.Input(wire.data(), wire.size(), 0);
    const uint8_t byte = 'x';
    while (link.CanSend()) link.Send(&byte, 1, 0);
    int64_t now = 0;
    for (size_t i = 0; i < size;) {
        const size_t length = std::min<size_t>(data[i], size - i - 1);
        const std::vector<uint8_t> body(data + i + 1, data + i + 1 + length);
        i += 1 + length;
        wire.clear();
        AppendFrame(body, wire);
        link.Input(wire.data(), wire.size(), now += 7);
        link.Poll(now);
        if (link.delivered().size() > size) std::abort();  // never more than came
        if (link.CanSend()) link.Send(&byte, 1, now);
    }
    link.Poll(now + 100'000);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CompareDeframing(data, size);
    const std::vector<uint8_t> body(data, data + size);
    zd::mnp::LinkParameters offer;
    (void)zd::mnp::ParseLinkRequest(body, offer);
    (void)zd::mnp::ParseLt(body);
    (void)zd::mnp::ParseLa(body);
    (void)zd::mnp::LdReason(body);

    // The desktop end, fed the bytes before and after it answers, and its
    // timers run: every path a hostile line can reach.
    zd::mnp::MnpLink link([](const uint8_t*, size_t) {});
    link.Input(data, size, 0);
    link.Accept(1);
    link.Input(data, size, 2);
    if (link.CanSend()) link.Send(data, size, 3);
    link.Input(data, size, 4);
    link.Poll(10'000);
    link.Poll(20'000);

    FeedWindowedLink(data, size);
    return 0;
}
