// The SDL backend's text: a line that cannot be stored leaves nothing of
// SDL's behind. The test refuses one allocation on purpose and counts SDL's
// own allocations around it.
#include "platform/text_renderer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <new>

#include "platform/backend.h"
#include "tests/support/allocations.h"

namespace klice::platform {
namespace {

TEST(SdlText, ALineThatCannotBeStoredLeavesNoSurfaceBehind) {
    // The font is opened and the glyphs of the line are cached by a first
    // rendering, so that the second allocates only what it frees again.
    if (!RenderText("Kl\xED\xE8"
                    "e 25",
                    40))
        GTEST_SKIP() << "no font for text here";
    GlyphRun first;
    ASSERT_TRUE(
        detail::RasterizeLine("Kl\xED\xE8"
                              "e 25",
                              40, &first));
    ASSERT_GT(first.width * first.height, 0);
    const int before = SDL_GetNumAllocations();

    GlyphRun second;
    testing::RefuseAllocationOf(size_t(first.width) * first.height);  // the line's coverage
    EXPECT_THROW(detail::RasterizeLine("Kl\xED\xE8"
                                       "e 25",
                                       40, &second),
                 std::bad_alloc);
    testing::RefuseAllocationOf(0);
    EXPECT_EQ(SDL_GetNumAllocations(), before) << "the surfaces of the failed line are freed";

    ASSERT_TRUE(
        detail::RasterizeLine("Kl\xED\xE8"
                              "e 25",
                              40, &second));
    EXPECT_EQ(second.alpha, first.alpha);
}

}  // namespace
}  // namespace klice::platform
