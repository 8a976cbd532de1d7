#include "game/program.h"

#include <exception>

#include "game/hlavni.h"
#include "platform/application.h"

namespace klice {

int run_program() {
    platform::Application app(platform::ApplicationMode::Windowed);
    Application().Bind();
    try {
        new Tform1(nullptr);
    } catch (const std::exception& e) {
        // Without its window the game cannot run: the reason is shown in the
        // error box, and the program ends.
        app.HandleException(e);
        return 1;
    }
    form1->Show();
    app.Run();
    delete form1;
    form1 = nullptr;
    return 0;
}

}  // namespace klice
