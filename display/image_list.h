// The image list: a component owning a picture collection that follows a
// display component. It listens to the display: when the display goes away
// it lets go of it; when its surfaces are made, dropped or restored the
// collection's item surfaces are made, dropped or rebuilt with them.
#pragma once

#include <memory>

#include "data/picture_collection.h"
#include "display/dxdraws.h"
#include "display/picture_surfaces.h"

namespace klice {

class TCustomDXImageList : public TComponent {
    KLICE_CLASS(TCustomDXImageList, TComponent)
public:
    explicit TCustomDXImageList(TComponent* owner);
    ~TCustomDXImageList() override;

    TCustomDXDraw* DXDraw() const { return dxdraw_; }
    // Moves the subscription from the old display to the new one.
    void SetDXDraw(TCustomDXDraw* dxdraw);
    TPictureCollection* Items() const { return items_.get(); }
    void SetItems(TPictureCollection* items) { items_->Assign(items); }

    // The design position the stream carries as "Left" and "Top".
    int32_t Left = 0, Top = 0;

    void DefineProperties(TFiler& filer) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    class Display : public TDirectDrawPictureDisplay {
    public:
        explicit Display(TCustomDXImageList& list) : list_(list) {}
        bool PictureDisplayInitialized() const override;
        TDirectDraw* DirectDraw() const override;

    private:
        TCustomDXImageList& list_;
    };

    void DXDrawNotify(TCustomDXDraw* sender, TDXDrawNotifyType type);

    TCustomDXDraw* dxdraw_ = nullptr;
    Display display_{*this};
    std::unique_ptr<TPictureCollection> items_;
};

class TDXImageList : public TCustomDXImageList {
    KLICE_CLASS(TDXImageList, TCustomDXImageList)
public:
    explicit TDXImageList(TComponent* owner) : TCustomDXImageList(owner) {}
};

}  // namespace klice
