// Any bytes, read as a plain component stream into a root with members and
// as a resource-headed stream into a holder with a collection: the reader
// may fail with its own errors, never crash, overrun or hang.
#include <cstddef>
#include <cstdint>
#include <span>

#include "data/component_stream.h"
#include "tests/data/test_classes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    klice::test::g_log.clear();
    {
        klice::test::TRoot root;
        try {
            klice::ReadRootFromBytes(bytes, root);
        } catch (const klice::Exception&) {
        }
    }
    {
        klice::test::THolder holder(nullptr);
        klice::TBytesViewStream stream(bytes);
        try {
            klice::ReadComponentRes(stream, holder);
        } catch (const klice::Exception&) {
        }
    }
    klice::test::g_log.clear();
    klice::test::g_log.shrink_to_fit();
    return 0;
}
