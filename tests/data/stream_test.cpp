#include "data/stream.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/errors.h"
#include "tests/support/temp_folder.h"

using namespace klice;

TEST(Streams, ReadBufferFailsWithStreamReadErrorWhenDataEndsEarly) {
    TMemoryStream stream(std::vector<uint8_t>{1, 2, 3});
    uint8_t two[2];
    stream.ReadBuffer(two, 2);
    EXPECT_EQ(two[1], 2);
    EXPECT_EQ(stream.Remaining(), 1);
    try {
        stream.ReadBuffer(two, 2);
        FAIL() << "no error";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Stream read error");
    }
}

TEST(Streams, LittleEndianValuesRoundTripAndSeekClampsAtZero) {
    TMemoryStream stream;
    stream.WriteValue<int32_t>(-2);
    stream.WriteValue<uint16_t>(0x1030);
    EXPECT_EQ(stream.Bytes(), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0x30, 0x10}));
    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadValue<int32_t>(), -2);
    EXPECT_EQ(stream.ReadValue<uint16_t>(), 0x1030);
    EXPECT_EQ(stream.Seek(-100, SeekOrigin::Current), 0);
    stream.Seek(10, SeekOrigin::End);
    EXPECT_EQ(stream.Remaining(), 0);
}

TEST(Streams, ViewStreamReadsButNeverWrites) {
    const uint8_t bytes[] = {9, 8, 7};
    TBytesViewStream view(bytes);
    uint8_t b = 0;
    EXPECT_EQ(view.Write(&b, 1), 0u);
    view.Seek(-1, SeekOrigin::End);
    view.ReadBuffer(&b, 1);
    EXPECT_EQ(b, 7);
}

TEST(Streams, MissingFileRaisesCannotOpenFileWithFullPathAndSystemText) {
    const klice::testing::TempFolder folder("stream");
    const std::filesystem::path& dir = folder.path();
    const klice::testing::WorkingDirectory in_folder(dir);
    try {
        TFileStream stream("nothing-here.dat", FileMode::OpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError& e) {
        std::string expected = "Cannot open file \"" + (dir / "nothing-here.dat").string() + "\". ";
        EXPECT_EQ(e.Message().substr(0, expected.size()), expected);
        EXPECT_GT(e.Message().size(), expected.size());
    }
}

TEST(Streams, FileStreamWritesAndReadsBack) {
    const klice::testing::TempFolder folder("stream");
    const std::string path = (folder / "file.bin").string();
    {
        TFileStream out(path, FileMode::Create);
        out.WriteValue<uint32_t>(0xDEADBEEF);
    }
    TFileStream in(path, FileMode::OpenRead);
    EXPECT_EQ(in.Size(), 4);
    EXPECT_EQ(in.ReadValue<uint32_t>(), 0xDEADBEEFu);
}
