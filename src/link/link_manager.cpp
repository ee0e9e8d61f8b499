#include "link/link_manager.h"

#include <string>

#include "base/prefs_keys.h"
#include "link/dil/mnp_framing.h"
#include "link/display_ops.h"
#include "link/link_session.h"

namespace zd {

DilSettings ReadDilSettings(const PrefsStore& prefs) {
    DilSettings settings;
    if (std::string address = prefs.GetPrefString(prefs::kNetAddress); !address.empty())
        settings.netAddress = std::move(address);
    int32_t port = 0;
    if (prefs.GetPrefInt(port, prefs::kNetPort) != 0) settings.netPort = port;
    for (int slot = 0; slot < kSerialSlots; ++slot)
        settings.serialDevices[slot] = prefs.GetPrefString(prefs::kSerialDevice[slot]);
    int32_t window = 0;
    if (prefs.GetPrefInt(window, prefs::kMnpWindow) != 0 && window >= 1 &&
        window <= mnp::kMaxWindow)
        settings.mnpWindow = static_cast<uint8_t>(window);
    return settings;
}

void StartLink(LinkSession& s) {
    Dil& dil = s.svc.dil;
    s.link.pipe = 0;
    (void)dil.CD_Startup();
    (void)dil.FD_RealStartup(1, 8);
    (void)dil.PD_Startup();
}

void StopLink(LinkSession& s) {
    Dil& dil = s.svc.dil;
    ClosePipe(s);
    (void)dil.PD_Shutdown();
    (void)dil.FD_Shutdown();
    (void)dil.CD_Shutdown();
}

namespace {

// The port `port` (a serial slot, or -1 for the network) as the user knows it.
std::string PortName(LinkSession& s, int32_t port) {
    if (port == -1) {
        const DilSettings settings = ReadDilSettings(s.svc.prefs);
        return settings.netAddress + ":" + std::to_string(settings.netPort);
    }
    const std::string path = s.svc.dil.SerialPortPath(port);
    return path.empty() ? "serial port " + std::to_string(port) : path;
}

}  // namespace

void OpenPipe(LinkSession& s) {
    Dil& dil = s.svc.dil;
    if (s.link.pipe != 0) {
        LogLine(s, "(Disconnecting and disposing the previously active connection first)");
        DisposePipe(s);
    }
    // Nothing a Newton sends is acted on before it has been greeted on this
    // pipe, and the new pipe's state shows at its first reading.
    s.link.handshakeDone = false;
    s.poll.lastState = kNoStateSeen;

    int32_t port = 0;
    s.svc.prefs.GetPrefInt(port, prefs::kPort);
    const int32_t created = port == -1 ? dil.CD_CreateADSP(&s.link.pipe, nullptr, "Zandorelle")
                                       : dil.CD_CreateMNPSerial(&s.link.pipe, port, 57600);
    if (created != kDilOk) {
        LogPipeError(s, created, "Couldn't create the pipe.");
    } else {
        const int32_t listening = dil.CD_StartListening(s.link.pipe);
        if (listening == kDilOk) {
            // A first run may take a port the user never chose: it is named.
            LogLine(s, "Listening on " + PortName(s, port) + ".");
            return;
        }
        LogPipeError(s, listening, "Couldn't listen for a connection.");
    }
    if (s.link.pipe != 0) DisposePipe(s);
    s.link.pipe = 0;
}

void ClosePipe(LinkSession& s) {
    if (s.link.pipe != 0) {
        LetTheNewtonGo(s, !s.link.busy);
        LogLine(s, "Disconnecting pipe.");
        DisposePipe(s);
    }
    s.link.handshakeDone = false;
    s.link.busy = false;
}

void LogPipeError(LinkSession& s, int32_t code, const char* message) {
    if (message != nullptr) LogText(s, message, -1);
    LogLine(s, "(" + std::to_string(code) + ")");
}

void LetTheNewtonGo(LinkSession& s, bool goodbye) {
    Dil& dil = s.svc.dil;
    const int64_t deadline = s.svc.clock.NowMs() + kLinkDropWaitMs;
    const std::string_view words = s.link.goodbye ? *s.link.goodbye : kUsualGoodbye;
    if (goodbye && !words.empty()) {
        const int32_t written = dil.CD_WriteWithin(
            s.link.pipe, words.data(), static_cast<int32_t>(words.size()), kLinkDropWaitMs);
        // The Connection application needs nothing after its goodbye: once the
        // link has it, the connection is over, whether the Newton hangs up or not.
        if (s.link.goodbye && written == kDilOk) {
            (void)dil.CD_Flush(s.link.pipe, kLinkDropWaitMs);
            return;
        }
    }
    (void)dil.CD_Idle(s.link.pipe);
    while (dil.CD_GetState(s.link.pipe) == kStateConnected) {
        const int64_t left = deadline - s.svc.clock.NowMs();
        if (left <= 0) break;
        // Sleep in the DIL until the Newton does something, rather than spin.
        (void)dil.CD_Wait(s.link.pipe, static_cast<int32_t>(left));
    }
}

void DisposePipe(LinkSession& s) {
    (void)s.svc.dil.CD_Disconnect(s.link.pipe);
    (void)s.svc.dil.CD_Dispose(s.link.pipe);
    s.link.pipe = 0;
    s.link.goodbye.reset();
}

}  // namespace zd
