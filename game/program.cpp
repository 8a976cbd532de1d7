#include "game/program.h"

#include <exception>

#include "game/data_folder.h"
#include "game/hlavni.h"
#include "platform/application.h"

namespace klice {

bool open_main_window(platform::Application& app) {
    Application().Bind();
    try {
        new Tform1(nullptr);
    } catch (const std::exception& e) {
        // Without its window the game cannot run: the reason is shown in the
        // error box, and the program ends.
        app.HandleException(e);
        return false;
    }
    form1->Show();
    return true;
}

int run_program(void (*prepare)()) {
    use_data_folder(first_data_folder(data_folder_candidates()));
    platform::Application app(platform::ApplicationMode::Windowed);
    if (prepare) {
        try {
            prepare();
        } catch (const std::exception& e) {
            app.HandleException(e);
            return 1;
        }
    }
    if (!open_main_window(app)) return 1;
    app.Run();
    delete form1;
    form1 = nullptr;
    return 0;
}

}  // namespace klice
