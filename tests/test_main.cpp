// The main of every test program: the sound device of a test mixes in real
// time and throws the output away, whatever audio the machine has, unless
// the test chooses another output.
#include <gtest/gtest.h>

#include "platform/sound_device.h"

int main(int argc, char** argv) {
    klice::platform::SetAudioOutput(klice::platform::AudioOutput::Discard());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
