#include "game/program.h"

#include "game/hlavni.h"
#include "platform/application.h"

namespace klice {

int run_program() {
    platform::Application app(platform::ApplicationMode::Windowed);
    Application().Bind();
    new Tform1(nullptr);
    form1->Show();
    app.Run();
    delete form1;
    form1 = nullptr;
    return 0;
}

}  // namespace klice
