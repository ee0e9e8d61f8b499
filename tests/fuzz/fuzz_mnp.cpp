// Whatever bytes arrive on the serial line, the MNP layer neither crashes nor
// reads out of bounds: the deframer, the LR parser and the link behind them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/mnp/mnp_link.h"
#include "link/mnp/mnp_packets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
