# `make package`: a Debian package of what `make install` installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zandorelle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "exchange text with an Apple Newton over a serial line or the network")
# The long description in lines of at most 80 characters, as Debian's policy has it.
set(CPACK_PACKAGE_DESCRIPTION
    "Zandorelle waits for an Apple Newton on a serial line, an emulator's serial
port or the network, and exchanges plain text with its Zandorelle package:
items go to the clipboard or into files, and text files, the clipboard or
dropped text go back.  Through the Newton's own Connection application it
also installs packages, types text on the Newton and saves its notes as text
files.")
set(CPACK_PACKAGE_CONTACT "The Zandorelle developers <zandorelle@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.zandorelle.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The window's libraries, the platform plugins that let it reach a display,
# QtKeychain for the keyring, Nettle for the DES of the Dock protocol's
# password step and the backup's checksums, libical for calendar files and
# libzip for backup archives.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libstdc++6 (>= 12), libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), libqt6dbus6 (>= 6.4), libqt6keychain1 (>= 0.13), libnettle8 (>= 3.8), libical3 (>= 3.0), libzip4 (>= 1.7), qt6-qpa-plugins")
include(CPack)
