// Our Desktop Integration Library: the only way the program reaches a Newton.
//
// The calls keep the names, argument order and result convention of the
// classic DIL: 0 is success, anything else an error code (dil_errors below).
// Pipes live in a table behind opaque non-zero handles; a call on handle 0 or on
// a disposed handle returns kDilErrBadPipe.  There is no thread: each call pumps
// the pipe's transport before it answers, and only CD_Read, CD_Write and CD_Wait
// ever block, each for a bounded time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "link/dil/admission.h"
#include "link/dil/serial_ports.h"
#include "link/mnp/mnp_link.h"

namespace zd {

using CD_Handle = int32_t;

// DIL state codes, as CD_GetState reports them.
enum DilState : int32_t {
    kStateUnknown = 0,
    kStateUninitialized = 1,
    kStateDisconnected = 2,
    kStateListening = 3,
    kStateConnectPending = 4,
    kStateConnected = 5,
    kStateDisconnectPending = 6,
};

// The display name of a state code; codes outside 0..6 read as "Unknown".
std::string_view StateName(int32_t state);

// Error codes.  The values are ours; they reach the user as "(code)".
enum DilError : int32_t {
    kDilOk = 0,
    kDilErrBadPipe = -28001,       // handle 0, unknown or disposed
    kDilErrNotStarted = -28002,    // CD_Startup has not run
    kDilErrBadArgument = -28003,   // a null pointer or a negative count
    kDilErrWrongState = -28004,    // listen or accept in a state that does not allow it
    kDilErrNotConnected = -28005,  // the call needs a connected pipe
    kDilErrTimeout = -28006,       // the bytes did not arrive, or leave, in time
    kDilErrLinkDropped = -28007,   // the Newton went away
    kDilErrNoSuchPort = -28008,    // no serial device in that slot
    kDilErrUnavailable = -28009,   // the serial link is not part of this build
    kDilErrAddressInUse = -28010,  // another program holds the network port
    kDilErrBadAddress = -28011,    // the listen address is not a usable address
    kDilErrPermission = -28012,    // the system refused access
    kDilErrSystem = -28013,        // any other operating-system failure
    kDilErrBusy = -28014,          // another program holds the serial device
    kDilErrCancelled = -28015,     // the waits were ended by CD_Cancel
};

// A short English description of a code, for developers and notices.
std::string_view CD_ErrorText(int32_t code);

// How long CD_Read waits for its bytes, and CD_Write for room, before giving up.
inline constexpr int32_t kReadTimeoutMs = 5000;

// The serial line's speed: what the companion package on the Newton expects.
inline constexpr int32_t kSerialBaud = 57600;

// Where pipes lead.  Read anew at each pipe creation and port listing.
struct DilSettings {
    std::string netAddress = "127.0.0.1";
    int32_t netPort = 3679;  // registered for Newton docking
    // Serial slot i's device when not empty; otherwise the slot takes a device
    // found on this machine.
    std::array<std::string, kSerialSlots> serialDevices;
    // The MNP window we offer; the link runs with the smaller of it and the
    // Newton's.  1 is the classic stop-and-wait answer.
    uint8_t mnpWindow = mnp::kMaxWindow;
};

enum class PipeKind { kNetwork, kSerial };

// What a create call asks for; a transport factory turns it into a transport.
struct PipeRequest {
    PipeKind kind = PipeKind::kNetwork;
    int32_t serialPort = 0;
    int32_t baud = kSerialBaud;
    DilSettings settings;
};

class Transport;
class Pipe;

// What every wait for the Newton answers to: it calls `hook` at least every
// kWaitSliceMs, so that a front end keeps its window painted and hears its
// user quit, and ends at once while `cancelled` is set.
struct WaitControl {
    std::function<void()> hook;
    bool cancelled = false;
};
inline constexpr int32_t kWaitSliceMs = 50;

struct DilOptions {
    // Where the network pipe listens; default settings when unset.
    std::function<DilSettings()> settings;
    // Transport-level events worth a line in the message log (who connected,
    // why a device cannot be opened).  Nothing is reported when unset.
    std::function<void(std::string_view)> notice;
    // Builds the transport of a new pipe.  Unset: the real socket and device
    // transports.  Tests plug in memory transports here.
    std::function<std::unique_ptr<Transport>(const PipeRequest&)> transportFactory;
    int32_t readTimeoutMs = kReadTimeoutMs;
    // How long an MNP frame waits for its acknowledgement before it is sent
    // again.  Only tests that push much data through a damaged line shorten it.
    int32_t mnpRetransmitMs = mnp::kRetransmitMs;
    // Where serial devices are looked for.
    DeviceRoots deviceRoots;
    // Decides on a network caller from another machine; unset: all are taken.
    Admit admit;
    // Hears that an undecided caller has gone.
    Withdrawn withdrawn;
};

class Dil {
public:
    // REQUIRES: `clock` outlives the Dil.
    explicit Dil(Clock& clock, DilOptions options = {});
    ~Dil();
    Dil(const Dil&) = delete;
    Dil& operator=(const Dil&) = delete;

    int32_t CD_Startup();
    int32_t FD_RealStartup(int32_t, int32_t);
    int32_t PD_Startup();
    int32_t PD_Shutdown();
    int32_t FD_Shutdown();
    // Disposes of every pipe that is left.
    int32_t CD_Shutdown();

    // Creates a pipe on serial slot `port`.  Writes the handle on success.
    int32_t CD_CreateMNPSerial(CD_Handle* pipe, int32_t port, int32_t baud);
    // Creates a network pipe; AppleTalk's place is taken by TCP.  `zone` and
    // `name` are accepted for the classic signature and not used.
    int32_t CD_CreateADSP(CD_Handle* pipe, const char* zone, const char* name);

    // Starts waiting for a Newton: the pipe goes to state 3, then 4 when one
    // arrives.
    int32_t CD_StartListening(CD_Handle pipe);
    // Takes the Newton of a pipe in state 4: the pipe goes to state 5 once the
    // Newton confirms.  Never blocks.
    int32_t CD_Accept(CD_Handle pipe);
    // Gives the pipe time to move bytes.  Never blocks.
    int32_t CD_Idle(CD_Handle pipe);
    // The pipe's state code (DilState), or kDilErrBadPipe.  Never blocks.
    int32_t CD_GetState(CD_Handle pipe);
    // Writes the number of bytes waiting to be read.  Never blocks.
    int32_t CD_BytesAvailable(CD_Handle pipe, int32_t* count);
    // Reads exactly `count` bytes, waiting up to the read timeout for them.
    // Bytes already waiting are handed out even after the Newton has gone.  On
    // failure nothing is taken and the buffer is not touched.
    int32_t CD_Read(CD_Handle pipe, void* buffer, int32_t count);
    // The same, waiting as long as the line is alive: it gives up only after
    // `silenceMs` without any byte from the Newton (a damaged frame or a
    // retransmission counts as life), or when the link drops.
    int32_t CD_ReadPatiently(CD_Handle pipe, void* buffer, int32_t count, int32_t silenceMs);
    // Copies up to `count` of the bytes waiting to `buffer`, leaving them to
    // be read, and writes how many it copied.  Never blocks.
    int32_t CD_Peek(CD_Handle pipe, void* buffer, int32_t count, int32_t* copied);
    // Sends `count` bytes to a connected Newton.
    int32_t CD_Write(CD_Handle pipe, const void* bytes, int32_t count);
    // The same, giving up after `timeoutMs` without progress.
    int32_t CD_WriteWithin(CD_Handle pipe, const void* bytes, int32_t count, int32_t timeoutMs);
    // Waits until the Newton's end of the link has confirmed everything
    // written to it (MNP's acknowledgements, or TCP's), giving up after
    // `timeoutMs` in which it confirmed nothing more: 0 once it has, else the
    // reason it did not (kDilErrTimeout: the Newton stopped reading).  A
    // negative `timeoutMs` is the link's own patience, as CD_Write's.
    int32_t CD_Flush(CD_Handle pipe, int32_t timeoutMs);
    // Blocks until something may have happened on the pipe, or `timeoutMs`
    // passed.  For loops that wait for a state to change without spinning.
    int32_t CD_Wait(CD_Handle pipe, int32_t timeoutMs);
    // Lets go of the Newton: the pipe goes to state 2.
    int32_t CD_Disconnect(CD_Handle pipe);
    // Frees the pipe; its handle is invalid from now on.
    int32_t CD_Dispose(CD_Handle pipe);

    // The data bytes `pipe` has carried so far, both ways; 0 for no pipe.
    int64_t CD_BytesMoved(CD_Handle pipe);
    // The data bytes written to `pipe` so far, and of them those the Newton's
    // end of the link has confirmed (MNP acknowledgements, or TCP's).
    int64_t CD_BytesWritten(CD_Handle pipe);
    int64_t CD_BytesConfirmed(CD_Handle pipe);

    // Runs `hook` between the slices of every wait for the Newton.
    void SetWaitHook(std::function<void()> hook) { m_wait.hook = std::move(hook); }
    // Ends every wait for the Newton, now and until CD_Resume: reads and
    // writes that would wait give up with kDilErrCancelled.  For quitting in
    // the middle of a transfer; CD_Resume lets the orderly end wait again.
    void CD_Cancel() { m_wait.cancelled = true; }
    void CD_Resume() { m_wait.cancelled = false; }
    bool cancelled() const { return m_wait.cancelled; }

    // The display name of serial slot `index` (0..3) in `name`, its length in
    // `*length`.  REQUIRES: `*length` holds the room in `name` less one.
    int32_t CD_GetSerialPortName(int32_t index, char* name, int32_t* length);
    // The device serial slot `index` opens ("/dev/ttyUSB0"); "" for none.
    std::string SerialPortPath(int32_t index) const;

private:
    Pipe* Find(CD_Handle pipe);
    // Waits until `wanted` bytes are in the inbox, for `timeoutMs` in all, or
    // with `patient`, until `timeoutMs` pass without a byte from the line.
    int32_t AwaitBytes(Pipe& pipe, size_t wanted, int32_t timeoutMs, bool patient);
    int32_t Read(CD_Handle pipe, void* buffer, int32_t count, int32_t timeoutMs, bool patient);
    int32_t Create(CD_Handle* pipe, PipeRequest request);
    // The real transport for `request`, or null with the reason in `*error`.
    std::unique_ptr<Transport> MakeTransport(const PipeRequest& request, int32_t* error);
    DilSettings Settings() const;
    void Notice(std::string_view text) const;

    Clock& m_clock;
    DilOptions m_options;
    WaitControl m_wait;
    bool m_started = false;
    CD_Handle m_lastHandle = 0;
    std::map<CD_Handle, std::unique_ptr<Pipe>> m_pipes;
    std::pair<CD_Handle, Pipe*> m_lastFound{0, nullptr};  // the pipe Find gave last
};

}  // namespace zd
