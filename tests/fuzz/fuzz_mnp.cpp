// Whatever bytes arrive on the serial line, the MNP layer neither crashes nor
// reads out of bounds: the deframer, the LR parser and the link behind them.
// The deframer takes runs of bytes exactly as it takes them one by one.
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
    return 0;
}
