#include "link/dil/dil.h"

#include <algorithm>
#include <cstring>

#include "link/dil/pipe.h"
#include "link/dil/serial_transport.h"
#include "link/dil/tcp_transport.h"

namespace zd {
namespace {

constexpr std::string_view kStateNames[] = {
    "Unknown",         "Uninitialized", "Disconnected",       "Listening",
    "Connect Pending", "Connected",     "Disconnect Pending",
};

}  // namespace

std::string_view StateName(int32_t state) {
    if (state < 0 || state >= static_cast<int32_t>(std::size(kStateNames))) return kStateNames[0];
    return kStateNames[state];
}

Dil::Dil(Clock& clock, DilOptions options) : m_clock(clock), m_options(std::move(options)) {}

Dil::~Dil() = default;

int32_t Dil::CD_Startup() {
    m_started = true;
    return kDilOk;
}

int32_t Dil::FD_RealStartup(int32_t, int32_t) {
    return kDilOk;
}
int32_t Dil::PD_Startup() {
    return kDilOk;
}
int32_t Dil::PD_Shutdown() {
    return kDilOk;
}
int32_t Dil::FD_Shutdown() {
    return kDilOk;
}

int32_t Dil::CD_Shutdown() {
    m_lastFound = {};
    m_pipes.clear();
    m_started = false;
    return kDilOk;
}

Pipe* Dil::Find(CD_Handle pipe) {
    // Nearly every call names the one current pipe.
    if (pipe == m_lastFound.first && pipe != 0) return m_lastFound.second;
    const auto it = m_pipes.find(pipe);
    if (it == m_pipes.end()) return nullptr;
    m_lastFound = {pipe, it->second.get()};
    return m_lastFound.second;
}

void Dil::Notice(std::string_view text) const {
    if (m_options.notice) m_options.notice(text);
}

DilSettings Dil::Settings() const {
    return m_options.settings ? m_options.settings() : DilSettings{};
}

std::unique_ptr<Transport> Dil::MakeTransport(const PipeRequest& request, int32_t* error) {
    if (m_options.transportFactory) {
        *error = kDilErrUnavailable;
        return m_options.transportFactory(request);
    }
    if (request.kind == PipeKind::kNetwork) {
        return std::make_unique<TcpTransport>(
            m_clock, request.settings.netAddress, request.settings.netPort, m_options.readTimeoutMs,
            m_options.notice, m_options.admit, m_options.withdrawn);
    }
    const auto table = SerialPortTable(request.settings.serialDevices, m_options.deviceRoots);
    if (request.serialPort < 0 || request.serialPort >= kSerialSlots ||
        !table[request.serialPort]) {
        *error = kDilErrNoSuchPort;
        Notice("There is no serial device in slot " + std::to_string(request.serialPort) +
               "; plug in an adapter or name one in the preferences.");
        return nullptr;
    }
    return std::make_unique<SerialTransport>(m_clock, table[request.serialPort]->path,
                                             m_options.deviceRoots.lock, request.baud,
                                             m_options.readTimeoutMs, m_options.notice);
}

int32_t Dil::Create(CD_Handle* pipe, PipeRequest request) {
    if (pipe == nullptr) return kDilErrBadArgument;
    if (!m_started) return kDilErrNotStarted;
    request.settings = Settings();
    int32_t error = kDilErrUnavailable;
    std::unique_ptr<Transport> transport = MakeTransport(request, &error);
    if (!transport) return error;
    // Handles are never reused, so a stale handle can never reach a newer pipe.
    const CD_Handle handle = ++m_lastHandle;
    mnp::LinkOptions mnp;
    mnp.retransmitMs = m_options.mnpRetransmitMs;
    mnp.window = request.settings.mnpWindow;
    m_pipes.emplace(handle, std::make_unique<Pipe>(std::move(transport), m_clock, m_options.notice,
                                                   mnp, m_wait));
    *pipe = handle;
    return kDilOk;
}

int32_t Dil::CD_CreateMNPSerial(CD_Handle* pipe, int32_t port, int32_t baud) {
    PipeRequest request;
    request.kind = PipeKind::kSerial;
    request.serialPort = port;
    request.baud = baud;
    return Create(pipe, request);
}

int32_t Dil::CD_CreateADSP(CD_Handle* pipe, const char* /*zone*/, const char* /*name*/) {
    return Create(pipe, PipeRequest{});
}

int32_t Dil::CD_StartListening(CD_Handle pipe) {
    Pipe* p = Find(pipe);
    return p ? p->StartListening() : kDilErrBadPipe;
}

int32_t Dil::CD_Accept(CD_Handle pipe) {
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    bool first = false;
    const int32_t result = p->Accept(&first);
    if (result == kDilOk && first) {
        const std::string peer = p->PeerName();
        if (!peer.empty()) Notice("Connection from " + peer + ".");
    }
    return result;
}

int32_t Dil::CD_Idle(CD_Handle pipe) {
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    p->Pump();
    return kDilOk;
}

int32_t Dil::CD_GetState(CD_Handle pipe) {
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    p->Pump();
    return p->State();
}

int32_t Dil::CD_BytesAvailable(CD_Handle pipe, int32_t* count) {
    if (count == nullptr) return kDilErrBadArgument;
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    p->Pump();
    *count = static_cast<int32_t>(std::min<size_t>(p->inbox().size(), INT32_MAX));
    return kDilOk;
}

int32_t Dil::CD_Peek(CD_Handle pipe, void* buffer, int32_t count, int32_t* copied) {
    if (buffer == nullptr || copied == nullptr || count < 0) return kDilErrBadArgument;
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    p->Pump();
    const size_t n = std::min(p->inbox().size(), static_cast<size_t>(count));
    std::copy_n(p->inbox().data(), n, static_cast<uint8_t*>(buffer));
    *copied = static_cast<int32_t>(n);
    return kDilOk;
}

int32_t Dil::CD_Read(CD_Handle pipe, void* buffer, int32_t count) {
    return Read(pipe, buffer, count, m_options.readTimeoutMs, false);
}

int32_t Dil::CD_ReadPatiently(CD_Handle pipe, void* buffer, int32_t count, int32_t silenceMs) {
    return Read(pipe, buffer, count, silenceMs, true);
}

int32_t Dil::Read(CD_Handle pipe, void* buffer, int32_t count, int32_t timeoutMs, bool patient) {
    if (buffer == nullptr || count < 0) return kDilErrBadArgument;
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    const size_t wanted = static_cast<size_t>(count);
    // Bytes already here cost no system call and no look at the clock: items
    // are read a byte at a time.
    if (p->inbox().size() < wanted) {
        const int32_t result = AwaitBytes(*p, wanted, timeoutMs, patient);
        if (result != kDilOk) return result;
    }
    p->inbox().Take(static_cast<uint8_t*>(buffer), wanted);
    return kDilOk;
}

int32_t Dil::AwaitBytes(Pipe& pipe, size_t wanted, int32_t timeoutMs, bool patient) {
    const int64_t start = m_clock.NowMs();
    for (;;) {
        pipe.Pump();
        if (pipe.inbox().size() >= wanted) return kDilOk;
        const int32_t state = pipe.State();
        if (state == kStateDisconnected) return kDilErrLinkDropped;
        if (state != kStateConnected) return kDilErrNotConnected;
        if (m_wait.cancelled) return kDilErrCancelled;
        const int64_t from = patient ? std::max(start, pipe.lastHeardMs()) : start;
        const int64_t left = from + timeoutMs - m_clock.NowMs();
        if (left <= 0) return kDilErrTimeout;
        pipe.Wait(static_cast<int32_t>(left));
    }
}

int32_t Dil::CD_Write(CD_Handle pipe, const void* bytes, int32_t count) {
    if (bytes == nullptr || count < 0) return kDilErrBadArgument;
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    return p->Write(static_cast<const uint8_t*>(bytes), static_cast<size_t>(count));
}

int32_t Dil::CD_WriteWithin(CD_Handle pipe, const void* bytes, int32_t count, int32_t timeoutMs) {
    if (bytes == nullptr || count < 0 || timeoutMs < 0) return kDilErrBadArgument;
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    return p->Write(static_cast<const uint8_t*>(bytes), static_cast<size_t>(count), timeoutMs);
}

int32_t Dil::CD_Flush(CD_Handle pipe, int32_t timeoutMs) {
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    return p->Flush(timeoutMs);
}

int32_t Dil::CD_Wait(CD_Handle pipe, int32_t timeoutMs) {
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    if (timeoutMs > 0) p->Wait(timeoutMs);
    p->Pump();
    return kDilOk;
}

int64_t Dil::CD_BytesMoved(CD_Handle pipe) {
    const Pipe* p = Find(pipe);
    return p ? p->bytesMoved() : 0;
}

int64_t Dil::CD_BytesWritten(CD_Handle pipe) {
    const Pipe* p = Find(pipe);
    return p ? p->bytesWritten() : 0;
}

int64_t Dil::CD_BytesConfirmed(CD_Handle pipe) {
    const Pipe* p = Find(pipe);
    return p ? p->bytesConfirmed() : 0;
}

int32_t Dil::CD_Disconnect(CD_Handle pipe) {
    Pipe* p = Find(pipe);
    if (!p) return kDilErrBadPipe;
    p->Disconnect();
    return kDilOk;
}

int32_t Dil::CD_Dispose(CD_Handle pipe) {
    if (pipe == m_lastFound.first) m_lastFound = {};
    return m_pipes.erase(pipe) == 1 ? kDilOk : kDilErrBadPipe;
}

std::string Dil::SerialPortPath(int32_t index) const {
    if (index < 0 || index >= kSerialSlots) return "";
    const auto table = SerialPortTable(Settings().serialDevices, m_options.deviceRoots);
    return table[index] ? table[index]->path : "";
}

int32_t Dil::CD_GetSerialPortName(int32_t index, char* name, int32_t* length) {
    if (name == nullptr || length == nullptr || *length < 0) return kDilErrBadArgument;
    if (index < 0 || index >= kSerialSlots) return kDilErrNoSuchPort;
    const auto table = SerialPortTable(Settings().serialDevices, m_options.deviceRoots);
    if (!table[index]) return kDilErrNoSuchPort;
    const std::string& text = table[index]->name;
    const size_t size = std::min<size_t>(text.size(), static_cast<size_t>(*length));
    std::memcpy(name, text.data(), size);
    name[size] = '\0';
    *length = static_cast<int32_t>(size);
    return kDilOk;
}

}  // namespace zd
