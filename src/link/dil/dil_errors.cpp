#include "link/dil/dil.h"

namespace zd {

std::string_view CD_ErrorText(int32_t code) {
    switch (code) {
        case kDilOk:
            return "no error";
        case kDilErrBadPipe:
            return "no such pipe";
        case kDilErrNotStarted:
            return "the DIL has not been started";
        case kDilErrBadArgument:
            return "bad argument";
        case kDilErrWrongState:
            return "not allowed in the pipe's state";
        case kDilErrNotConnected:
            return "the pipe is not connected";
        case kDilErrTimeout:
            return "timed out";
        case kDilErrLinkDropped:
            return "the Newton went away";
        case kDilErrNoSuchPort:
            return "no serial device in that slot";
        case kDilErrUnavailable:
            return "this kind of pipe is not available";
        case kDilErrAddressInUse:
            return "the network port is in use by another program";
        case kDilErrBadAddress:
            return "the listen address is not usable";
        case kDilErrPermission:
            return "permission denied";
        case kDilErrBusy:
            return "the serial device is in use by another program";
        case kDilErrSystem:
            return "system error";
        case kDilErrCancelled:
            return "the wait was ended: the program is quitting";
        default:
            return "unknown error";
    }
}

}  // namespace zd
