// A display that records every request, and the log as one text.
#pragma once

#include <string>
#include <vector>

#include "base/display.h"

namespace zd::test {

class RecordingDisplay final : public Display {
public:
    void ReplaceLogSelection(std::string_view text) override;
    void SetStateText(std::string_view text) override;
    void SetTransitText(std::string_view text) override;

    // Each log request, in order.
    std::vector<std::string> pieces;
    // Each text the state and transit fields were set to, in order.
    std::vector<std::string> states;
    std::vector<std::string> transits;

    // The log as a user sees it, one entry per completed line.
    std::vector<std::string> Lines() const;
    std::string log;
};

}  // namespace zd::test
