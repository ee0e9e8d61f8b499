#include "transfer/package_file.h"

namespace zd {

bool IsPackage(std::string_view bytes) {
    return bytes.substr(0, 8) == "package0" || bytes.substr(0, 8) == "package1";
}

FileContent ReadPackageFile(const std::string& path) {
    FileContent content = ReadRegularFile(path, kPackageCap, "a package", "a package");
    if (content.bytes && !IsPackage(*content.bytes))
        content = {std::nullopt,
                   "not a Newton package (it does not begin with \"package0\" or \"package1\")"};
    return content;
}

}  // namespace zd
