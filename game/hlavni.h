// The main window of the game, form1, with every component it owns, and the
// shell: start-up, the tick and the play frame.
#pragma once

#include <cstdint>

#include "data/controls.h"
#include "data/events.h"
#include "data/forms.h"
#include "display/dxdraws.h"

namespace klice {

class Tform1 : public TForm {
    KLICE_CLASS(Tform1, TForm)
public:
    explicit Tform1(TComponent* owner);

    TDXDraw* DXDraw = nullptr;
    TEdit* Edit1 = nullptr;
    TComponent* panak = nullptr;    // image list: the pictures stored with the window
    TComponent* ruzne = nullptr;    // image list: level objects, from ruzne.dat
    TComponent* krajina = nullptr;  // image list: level backgrounds, from krajina.dat
    TTimer* Timer1 = nullptr;
    TComponent* DXSound1 = nullptr;
    TComponent* WaveList = nullptr;
    TComponent* DXInput1 = nullptr;
    TComponent* DXMusic1 = nullptr;

    // Event handlers.
    void create(TObject* sender);
    void Timer1Timer(TObject* sender);
    void keydown(TObject* sender, uint16_t& key, TShiftState shift);
    void mouse_down(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void mouse_move(TObject* sender, TShiftState shift, int x, int y);
    void DXDrawMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);

private:
    void CreateComponents();
};

// The one main window, alive from program start to its end.
extern Tform1* form1;

void init_game();
void play_frame();

}  // namespace klice
