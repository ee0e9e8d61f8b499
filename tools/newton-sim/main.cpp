// newton-sim: a simulated Newton on a serial line, a pseudo-terminal or TCP.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/clock.h"
#include "sim_options.h"

namespace {

using namespace zd::sim;

bool OpenLine(const SimOptions& options, SimLine& line, std::string& error) {
    switch (options.line) {
        case LineKind::kDevice:
            return line.OpenDevice(options.device, error);
        case LineKind::kPty: {
            std::string path;
            if (!line.CreatePty(path, error)) return false;
            if (!options.ptyLink.empty()) {
                ::unlink(options.ptyLink.c_str());
                if (::symlink(path.c_str(), options.ptyLink.c_str()) != 0) {
                    error = "cannot link " + options.ptyLink + " to " + path;
                    return false;
                }
            }
            std::printf("pty: %s\n", path.c_str());
            std::fflush(stdout);
            if (!line.WaitForPtyOpened(options.timeoutMs)) {
                error = "nobody opened " + path;
                return false;
            }
            return true;
        }
        case LineKind::kTcp:
            return line.ConnectTcp(options.host, options.port, options.timeoutMs, error);
        case LineKind::kEmulator:
            return line.EmulateSerialPort(options.host, options.port, error);
        case LineKind::kNone:
            break;
    }
    error = "no line";
    return false;
}

std::optional<std::string> ReadFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (in) return content.str();
    error = "cannot read " + path;
    return std::nullopt;
}

bool RunStep(const Step& step, const SimOptions& options, SimLink& link,
             std::optional<SimNewton>& newton, std::string& error) {
    const int timeoutMs = options.timeoutMs;
    Conversation conversation{link, timeoutMs, error};
    switch (step.kind) {
        case Step::kGreet:
            return Greet(conversation, static_cast<Greeting>(step.count));
        case Step::kPush: {
            const auto text = ReadFile(step.file, error);
            return text &&
                   PushItem(conversation, step.text, *text, static_cast<ItemEnd>(step.count));
        }
        case Step::kCatch:
            return CatchText(conversation, options.goReply, step.file);
        case Step::kCommand:
            return SendCommand(conversation, step.text);
        case Step::kBye:
            return SayGoodbye(conversation, step.text);
        case Step::kAwaitBye:
            return AwaitGoodbye(conversation);
        case Step::kDock:
            return PlayConnection(conversation, options.dock);
        case Step::kFullConnection:
            return PlayFullConnection(conversation, options.full, newton);
        case Step::kSend:
            if (link.Send(step.text, timeoutMs)) return true;
            error = "sending failed";
            return false;
        case Step::kSendFile: {
            const auto content = ReadFile(step.text, error);
            if (!content) return false;
            if (link.Send(*content, timeoutMs)) return true;
            error = "sending " + step.text + " failed";
            return false;
        }
        case Step::kExpect: {
            std::string got;
            const bool complete = link.Receive(got, step.count, timeoutMs);
            std::ofstream(step.file, std::ios::binary) << got;
            if (complete) return true;
            error = "expected " + std::to_string(step.count) + " bytes, got " +
                    std::to_string(got.size());
            return false;
        }
        case Step::kWaitClose:
            if (link.WaitForEnd(timeoutMs)) return true;
            error = "the desktop did not end the link";
            return false;
        case Step::kClose:
            link.Close();
            return true;
        case Step::kReconnect:
            if (link.WaitForEnd(timeoutMs) && link.Connect(timeoutMs)) return true;
            error = "no second link";
            return false;
        case Step::kSleep:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.count));
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }
    std::string error;
    const auto options = ParseSimOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "newton-sim: %s\n%s", error.c_str(), SimUsage().c_str());
        return 2;
    }
    // A desktop that closes the connection must not end the simulator.
    std::signal(SIGPIPE, SIG_IGN);
    zd::SteadyClock clock;
    SimLine line(clock);
    line.SetBaud(options->baud);
    if (!OpenLine(*options, line, error)) {
        std::fprintf(stderr, "newton-sim: %s\n", error.c_str());
        return 1;
    }
    SimLink link(line, clock, options->link, options->damage);
    if (!link.Connect(options->timeoutMs)) {
        std::fprintf(stderr, "newton-sim: the desktop did not answer the link request\n");
        return 1;
    }
    int status = 0;
    std::optional<SimNewton> newton;
    for (const Step& step : options->steps) {
        if (!RunStep(step, *options, link, newton, error)) {
            std::fprintf(stderr, "newton-sim: %s\n", error.c_str());
            status = 1;
            break;
        }
    }
    std::fprintf(stderr, "%s\n", link.Summary().c_str());
    link.Close();
    return status;
}
