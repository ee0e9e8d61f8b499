#include "transfer/zip_member.h"

namespace zd {

bool ReadZipMember(zip_t* archive, const std::string& name,
                   const std::function<void(std::string_view)>& take) {
    zip_file_t* file = zip_fopen(archive, name.c_str(), 0);
    if (!file) return false;
    char chunk[64 * 1024];
    zip_int64_t n = 0;
    while ((n = zip_fread(file, chunk, sizeof chunk)) > 0)
        take(std::string_view(chunk, static_cast<size_t>(n)));
    zip_fclose(file);
    return n == 0;
}

}  // namespace zd
