// The desktop's keyring (the Secret Service of GNOME Keyring or KWallet,
// through QtKeychain): the Connection password of each Newton, under its
// owner's name, never in the clear anywhere else.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "base/secret.h"

namespace zd {

class Keyring {
public:
    // True when a keyring service runs on the session bus (or can be started).
    static bool Available();

    // Reads the password kept for `owner`'s Newton; `done` hears it, or
    // nullopt when none is kept or the keyring cannot be read.
    static void Read(const QString& owner, std::function<void(std::optional<Secret>)> done);
    // Keeps or forgets the password of `owner`'s Newton; `failed` hears why
    // the keyring would not.
    static void Write(const QString& owner, const Secret& password,
                      std::function<void(QString)> failed);
    static void Forget(const QString& owner, std::function<void(QString)> failed);
};

}  // namespace zd
