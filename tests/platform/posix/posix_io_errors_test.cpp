// How this system's error numbers (errno) fold onto the I/O codes.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/io_errors.h"
#include "tests/support/temp_folder.h"

namespace klice::platform {
namespace {

namespace fs = std::filesystem;

TEST(PosixIoErrors, ErrorNumbersFoldOntoTheFileCodes) {
    for (int e : {ENOTDIR, ENAMETOOLONG, ELOOP}) EXPECT_EQ(IoErrorCode(e, "x.dat"), 3) << e;
    for (int e : {EMFILE, ENFILE}) EXPECT_EQ(IoErrorCode(e, "x.dat"), 4) << e;
    for (int e : {EACCES, EPERM, EROFS, EISDIR, ETXTBSY}) EXPECT_EQ(IoErrorCode(e, "x.dat"), 5) << e;
    EXPECT_EQ(IoErrorCode(ENOSPC, "x.dat"), ENOSPC);
}

TEST(PosixIoErrors, MissingFileAndMissingFolderAreToldApart) {
    const klice::testing::TempFolder folder("io-errors");
    const fs::path& dir = folder.path();
    std::ofstream(dir / "plain") << "x";

    EXPECT_EQ(IoErrorCode(ENOENT, (dir / "p1.dat").string()), 2);
    EXPECT_EQ(IoErrorCode(ENOENT, "p1.dat"), 2);  // a bare name is in the working directory
    EXPECT_EQ(IoErrorCode(ENOENT, (dir / "missing" / "p1.dat").string()), 3);
    EXPECT_EQ(IoErrorCode(ENOENT, (dir / "plain" / "p1.dat").string()), 3);  // a file is no folder
    EXPECT_EQ(IoErrorCode(ENOENT, ""), 3);
}

TEST(PosixIoErrors, OtherSystemErrorsKeepTheirNumberAndReadAsIoError) {
    EInOutError full = FileError(ENOSPC, "x.dat");
    EXPECT_EQ(full.ErrorCode(), ENOSPC);
    EXPECT_EQ(full.Message(), "I/O error " + std::to_string(ENOSPC));
    // EIO has the number of "File access denied" here, but is not a refusal.
    EInOutError io = FileError(EIO, "x.dat");
    EXPECT_EQ(io.ErrorCode(), EIO);
    EXPECT_EQ(io.Message(), "I/O error " + std::to_string(EIO));

    EXPECT_EQ(FileError(EACCES, "x.dat").Message(), "File access denied");
    EXPECT_THROW(RaiseFileError(EMFILE, "x.dat"), EInOutError);
}

}  // namespace
}  // namespace klice::platform
