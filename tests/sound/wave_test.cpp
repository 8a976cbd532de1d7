#include "sound/wave.h"

#include <gtest/gtest.h>

#include <string>

#include "data/errors.h"
#include "data/filer.h"
#include "sound/sound_errors.h"
#include "tests/support/messages.h"

using namespace klice;
using klice::testing::MessageOf;

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

uint32_t Le32ForTest(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24); }

Bytes Chunk(const char* id, const Bytes& body, uint32_t stated = UINT32_MAX) {
    Bytes b(id, id + 4);
    Put32(b, stated == UINT32_MAX ? uint32_t(body.size()) : stated);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

Bytes Riff(std::initializer_list<Bytes> chunks) {
    Bytes b{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) b.insert(b.end(), c.begin(), c.end());
    return b;
}

Bytes Fmt(uint32_t rate) {
    Bytes b{1, 0, 1, 0};
    Put32(b, rate);
    Put32(b, rate * 2);
    b.insert(b.end(), {2, 0, 16, 0});
    return b;
}

TWave Load(const Bytes& image) {
    TMemoryStream stream(image);
    TWave wave;
    wave.LoadFromStream(stream);
    return wave;
}

}  // namespace

TEST(WaveRead, OddChunksAreNotPaddedAndLaterChunksReplaceEarlierOnes) {
    const Bytes image = Riff({Chunk("fmt ", Fmt(11025)), Chunk("data", {9, 9}), Chunk("data", {1, 2, 3}),
                              Chunk("LIST", {7}), Chunk("fmt ", Fmt(22050))});
    TWave wave = Load(image);
    EXPECT_EQ(wave.Format(), Fmt(22050));
    ASSERT_EQ(wave.Size(), 3u);
    EXPECT_EQ(Bytes(wave.Data(), wave.Data() + 3), (Bytes{1, 2, 3}));
}

TEST(WaveRead, FormatBlockKeepsAnySizeAndMissingDataGivesNoSamples) {
    Bytes extended = Fmt(16000);
    extended.insert(extended.end(), {0, 0, 5});  // cbSize and one odd byte
    TWave wave = Load(Riff({Chunk("fmt ", extended)}));
    EXPECT_EQ(wave.FormatSize(), 19u);
    EXPECT_EQ(wave.Size(), 0u);
    EXPECT_EQ(wave.Capacity(), 0u);
}

TEST(WaveRead, ZeroHeaderOrEndOfStreamEndsTheScan) {
    Bytes image = Riff({Chunk("fmt ", Fmt(22050)), Chunk("data", {4, 5})});
    const Bytes after_zeros = image;
    image.insert(image.end(), 8, 0);
    const Bytes garbage = Chunk("data", {6, 6, 6, 6});
    image.insert(image.end(), garbage.begin(), garbage.end());
    EXPECT_EQ(Load(image).Size(), 2u);
    Bytes cut = after_zeros;
    cut.insert(cut.end(), {'L', 'I', 'S'});  // a header the stream ends inside
    EXPECT_EQ(Load(cut).Size(), 2u);
}

TEST(WaveRead, SamplesNeverComeFromPastTheDataChunk) {
    const Bytes image = Riff({Chunk("fmt ", Fmt(22050)), Chunk("data", {1, 2}), Chunk("junk", {3, 4, 5})});
    TMemoryStream stream(image);
    TWaveStream wave(stream);
    wave.Open(false);
    uint8_t buffer[8] = {};
    EXPECT_EQ(wave.Read(buffer, sizeof buffer), 2u);
    EXPECT_EQ(buffer[2], 0);
    EXPECT_EQ(wave.Read(buffer, 1), 0u);
}

TEST(WaveRead, TruncatedOrOverstatedDataIsAStreamReadError) {
    Bytes truncated = Riff({Chunk("fmt ", Fmt(22050)), Chunk("data", {1, 2, 3, 4})});
    truncated.pop_back();  // (a resize by size() - 1 trips GCC's overflow check under the sanitizers)
    EXPECT_EQ(MessageOf<EReadError>([&] { Load(truncated); }), "Stream read error");
    // A size no stream here could hold is refused before it is allocated.
    const Bytes huge = Riff({Chunk("fmt ", Fmt(22050)), Chunk("data", {1, 2}, 0xFFFFFFF0u)});
    EXPECT_EQ(MessageOf<EReadError>([&] { Load(huge); }), "Stream read error");
    const Bytes huge_format = Riff({Chunk("fmt ", {1, 0}, 0xFFFFFFF0u)});
    EXPECT_EQ(MessageOf<EReadError>([&] { Load(huge_format); }), "Stream read error");
}

TEST(WaveStream, EveryFailureHasItsMessage) {
    EXPECT_EQ(MessageOf<EWaveStreamError>([] {
                  Load({'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'});
              }),
              "Wave is invalid");
    EXPECT_EQ(MessageOf<EWaveStreamError>([] {
                  Load({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '});
              }),
              "Wave is invalid");
    EXPECT_EQ(MessageOf<EWaveStreamError>([] { Load({'R', 'I', 'F', 'F'}); }), "Wave is invalid");

    TMemoryStream stream(Riff({Chunk("data", {1})}));
    TWaveStream wave(stream);
    uint8_t byte;
    EXPECT_EQ(MessageOf<EWaveStreamError>([&] { wave.Read(&byte, 1); }), "Stream not opened");
    EXPECT_EQ(MessageOf<EWaveStreamError>([&] { wave.Write(&byte, 1); }), "Stream not opened");
    wave.Open(false);
    EXPECT_EQ(MessageOf<EWaveStreamError>([&] { wave.Open(false); }), "Stream is already open");
    wave.Close();
    EXPECT_FALSE(wave.Opened());

    TMemoryStream out;
    TWaveStream writer(out);
    EXPECT_EQ(MessageOf<EWaveStreamError>([&] { writer.Open(true); }), "Format is invalid");
    EXPECT_EQ(out.Size(), 0);

    // The wave stream's failures are not device failures.
    try {
        Load({});
        FAIL() << "no failure";
    } catch (const Exception& e) {
        EXPECT_NE(dynamic_cast<const EWaveStreamError*>(&e), nullptr);
        EXPECT_EQ(dynamic_cast<const EDirectXError*>(&e), nullptr);
    }
}

TEST(WaveWrite, RoundTripFromAnyStartWithHeaderFieldsFilledAtClose) {
    TWave wave;
    const Bytes format = Fmt(11025);
    wave.SetFormat(format.data(), format.size());
    wave.SetSize(1001);
    for (size_t i = 0; i < 1001; ++i) wave.Data()[i] = uint8_t(i * 7);

    TMemoryStream stream(Bytes{0xAA, 0xBB, 0xCC});  // the image starts after three bytes
    stream.Seek(0, SeekOrigin::End);
    wave.SaveToStream(stream);
    const Bytes& b = stream.Bytes();
    ASSERT_EQ(b.size(), 3u + 12 + 8 + 16 + 8 + 1001);
    EXPECT_EQ(std::string(b.begin() + 3, b.begin() + 7), "RIFF");
    EXPECT_EQ(Le32ForTest(b.data() + 7), b.size() - 3 - 8);
    EXPECT_EQ(std::string(b.begin() + 11, b.begin() + 15), "WAVE");
    EXPECT_EQ(std::string(b.begin() + 15, b.begin() + 19), "fmt ");
    EXPECT_EQ(std::string(b.begin() + 39, b.begin() + 43), "data");
    EXPECT_EQ(Le32ForTest(b.data() + 43), 1001u);

    stream.SetPosition(3);
    TWave back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.Format(), format);
    ASSERT_EQ(back.Size(), 1001u);
    EXPECT_EQ(Bytes(back.Data(), back.Data() + 1001), Bytes(wave.Data(), wave.Data() + 1001));
}

TEST(WaveWrite, NothingIsWrittenWithoutFormatOrSamples) {
    TMemoryStream stream;
    TWave wave;
    wave.SetSize(10);
    wave.SaveToStream(stream);
    const Bytes format = Fmt(22050);
    TWave only_format;
    only_format.SetFormat(format.data(), format.size());
    only_format.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 0);
}

TEST(WaveSamples, CapacityGrowsAndShrinksInWholeBlocks) {
    TWave wave;
    wave.SetSize(1);
    EXPECT_EQ(wave.Capacity(), 8096u);
    wave.Data()[0] = 42;
    const uint8_t* block = wave.Data();
    wave.SetSize(8096);
    EXPECT_EQ(wave.Data(), block);  // same block count: not reallocated
    wave.SetSize(8097);
    EXPECT_EQ(wave.Capacity(), 2u * 8096);
    EXPECT_EQ(wave.Data()[0], 42);
    wave.SetSize(8096);
    EXPECT_EQ(wave.Capacity(), 8096u);
    EXPECT_EQ(wave.Data()[0], 42);
    wave.SetSize(0);
    EXPECT_EQ(wave.Capacity(), 0u);
}

namespace {

// Collects the blocks an object defines, as a reader or writer would see them.
class TBlockFiler : public TFiler {
public:
    void DefineProperty(const std::string&, ReaderProc, WriterProc, bool) override {}
    void DefineBinaryProperty(const std::string& name, StreamProc read, StreamProc write, bool has_data) override {
        blocks.push_back({name, std::move(read), std::move(write), has_data});
    }
    struct Block {
        std::string name;
        StreamProc read, write;
        bool has_data;
    };
    std::vector<Block> blocks;
};

}  // namespace

TEST(WaveBlock, TheWaveTravelsAsTheBlockWaveHoldingAWholeImage) {
    const Bytes image = Riff({Chunk("fmt ", Fmt(22050)), Chunk("data", {1, 2, 3, 4})});
    Bytes canonical = image;
    canonical[4] = uint8_t(image.size() - 8);

    TWave wave;
    TBlockFiler before;
    wave.DefineProperties(before);
    ASSERT_EQ(before.blocks.size(), 1u);
    EXPECT_EQ(before.blocks[0].name, "WAVE");
    EXPECT_FALSE(before.blocks[0].has_data);

    TBytesViewStream in(image);
    before.blocks[0].read(in);
    EXPECT_EQ(wave.Size(), 4u);
    TBlockFiler after;
    wave.DefineProperties(after);
    EXPECT_TRUE(after.blocks[0].has_data);
    TMemoryStream out;
    after.blocks[0].write(out);
    EXPECT_EQ(out.Bytes(), canonical);

    TWave copy;
    copy.Assign(&wave);
    EXPECT_EQ(copy.Format(), wave.Format());
    EXPECT_EQ(Bytes(copy.Data(), copy.Data() + copy.Size()), (Bytes{1, 2, 3, 4}));
}

// The samples a wave may hold (platform/data_budget.h), all in the stream:
// one byte more and the wave is refused before they are taken.
TEST(WaveRead, WavesOverTheBudgetAreRefusedBeforeTheirSamplesAreTaken) {
    const auto wave_of = [](size_t bytes) { return Riff({Chunk("fmt ", Fmt(44100)), Chunk("data", Bytes(bytes, 1))}); };
    EXPECT_EQ(Load(wave_of(size_t(16) << 20)).Size(), size_t(16) << 20);
    TWave kept = Load(wave_of(4));
    TMemoryStream stream(wave_of((size_t(16) << 20) + 2));
    EXPECT_EQ(MessageOf<EWaveStreamError>([&] { kept.LoadFromStream(stream); }), "Wave is invalid");
    EXPECT_EQ(kept.Size(), 4u) << "the wave keeps what it had";
}
