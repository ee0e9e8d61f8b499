// What the core asks of the window it runs under (or of its stand-in when it
// runs without one).
#pragma once

namespace zd {

class FrontEnd {
public:
    virtual ~FrontEnd() = default;
    // Opens or closes the status view below the window's buttons.
    virtual void ToggleStatusView() = 0;
};

}  // namespace zd
