// Any bytes, read as a component stream in both its forms (plain, as the
// window resource, and resource-headed, as the .dat files) into three roots:
// the test classes (members, methods, every property kind), the holder of a
// picture collection, and the main window form1, which the game reads from
// its resource at start-up. The reader may fail with its own errors, never
// crash, overrun, hang or take memory the bytes cannot justify.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "data/component_stream.h"
#include "data/forms.h"
#include "data/picture_collection.h"
#include "game/hlavni.h"
#include "platform/application.h"
#include "platform/resources.h"
#include "platform/sound_device.h"
#include "tests/data/test_classes.h"

namespace {

std::unique_ptr<klice::platform::Application> app;

template <class Read>
void Try(Read read) {
    try {
        read();
    } catch (const klice::Exception&) {
    }
}

void IntoTestClasses(std::span<const uint8_t> bytes) {
    klice::test::g_log.clear();
    {
        klice::test::TRoot root;
        Try([&] { klice::ReadRootFromBytes(bytes, root); });
    }
    {
        klice::test::THolder holder(nullptr);
        klice::TBytesViewStream stream(bytes);
        Try([&] { klice::ReadComponentRes(stream, holder); });
    }
    klice::test::g_log.clear();
    klice::test::g_log.shrink_to_fit();
}

// The holder a picture file is read through, with a list of no display.
void IntoPictureHolder(std::span<const uint8_t> bytes) {
    for (bool headed : {false, true}) {
        klice::TPictureCollection list(nullptr);
        klice::TPictureCollectionComponent holder(nullptr);
        holder.SetList(&list);
        klice::TBytesViewStream stream(bytes);
        Try([&] { headed ? klice::ReadComponentRes(stream, holder) : klice::ReadComponent(stream, holder); });
    }
}

// form1 built as the game builds it: from its resource, which here holds the
// bytes (plain) or what follows a resource header (headed). The creation
// handler then runs as at start-up, without data files, so it reports
// those as missing.
void IntoMainWindow(std::span<const uint8_t> bytes, bool headed) {
    if (headed) {
        klice::TBytesViewStream stream(bytes);
        try {
            klice::ReadResourceHeader(stream);
        } catch (const klice::Exception&) {
            return;
        }
        // A header whose name runs past the data leaves the position beyond
        // its end: the window is then read from nothing.
        bytes = bytes.subspan(std::min(bytes.size(), static_cast<size_t>(stream.Position())));
    }
    klice::platform::RegisterResource(klice::platform::RT_RCDATA, "TFORM1", bytes);
    klice::Application().ClearShownErrors();
    Try([] { delete new klice::Tform1(nullptr); });
    klice::form1 = nullptr;  // also when the constructor failed part way
    klice::Application().ClearShownErrors();
    klice::platform::RegisterResource(klice::platform::RT_RCDATA, "TFORM1", {});
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    klice::platform::SetAudioOutput(klice::platform::AudioOutput::Discard());
    app = std::make_unique<klice::platform::Application>(klice::platform::ApplicationMode::Headless);
    app->SetErrorSink([](const std::string&) {});
    klice::Application().Bind();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    IntoTestClasses(bytes);
    IntoPictureHolder(bytes);
    IntoMainWindow(bytes, false);
    IntoMainWindow(bytes, true);
    return 0;
}
