#include "game/level_file.h"

#include "platform/file.h"
#include "platform/io_errors.h"

namespace klice {

std::string level_name_of(int32_t level) { return "p" + std::to_string(level); }

std::string level_file_of(int32_t level) { return level_name_of(level) + ".dat"; }

std::string background_name_of(int32_t level) {
    if (level >= 11 && level <= 20) return level_name_of(level - 10);
    return level_name_of(level);
}

level_record read_level_file(const std::string& path) {
    platform::File file;
    if (int error = file.Open(path, platform::FileAccess::Read); error != 0) platform::RaiseFileError(error, path);

    level_record record;
    long long got = file.Read(&record, sizeof record);
    if (got < 0) platform::RaiseFileError(file.error(), path);
    if (got < static_cast<long long>(sizeof record)) platform::RaiseInOutError(platform::kIoReadBeyondEnd);

    if (int error = file.Close(); error != 0) platform::RaiseFileError(error, path);
    level_record_file_order(record);
    return record;
}

void write_level_file(const std::string& path, const level_record& record) {
    level_record bytes = record;
    level_record_file_order(bytes);

    platform::File file;
    if (int error = file.Open(path, platform::FileAccess::CreateReadWrite); error != 0)
        platform::RaiseFileError(error, path);
    if (file.Write(&bytes, sizeof bytes) < 0) platform::RaiseFileError(file.error(), path);
    if (int error = file.Close(); error != 0) platform::RaiseFileError(error, path);
}

}  // namespace klice
