#include "display/image_list.h"

#include "data/reader.h"
#include "data/writer.h"

namespace klice {

KLICE_DESCRIBE_CLASS(TCustomDXImageList, c) {}

KLICE_DESCRIBE_CLASS(TDXImageList, c) {
    c.Object("DXDraw", &TDXImageList::DXDraw, &TDXImageList::SetDXDraw);
    c.Object("Items", &TDXImageList::Items, &TDXImageList::SetItems);
}
KLICE_REGISTER_CLASS(TDXImageList);

TCustomDXImageList::TCustomDXImageList(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TPictureCollection>(this)) {}

TCustomDXImageList::~TCustomDXImageList() {
    try {
        SetDXDraw(nullptr);
    } catch (...) {
        // The surfaces go with the items below either way.
    }
    items_.reset();
}

void TCustomDXImageList::SetDXDraw(TCustomDXDraw* dxdraw) {
    if (dxdraw == dxdraw_) return;
    if (dxdraw_ != nullptr) {
        TCustomDXDraw* old = dxdraw_;
        old->UnRegisterNotifyEvent(this);
        old->RemoveFreeNotification(this);
        // The old display may have been told to finalize us; make sure.
        items_->Finalize();
        dxdraw_ = nullptr;
    }
    dxdraw_ = dxdraw;
    if (dxdraw_ != nullptr) {
        dxdraw_->FreeNotification(this);
        dxdraw_->RegisterNotifyEvent(
            [this](TCustomDXDraw* sender, TDXDrawNotifyType type) { DXDrawNotify(sender, type); }, this);
    }
}

void TCustomDXImageList::DXDrawNotify(TCustomDXDraw* sender, TDXDrawNotifyType type) {
    switch (type) {
        case dxntDestroying:
            if (sender == dxdraw_) {
                items_->Finalize();
                dxdraw_ = nullptr;
            }
            break;
        case dxntInitialize: items_->Initialize(&display_); break;
        case dxntFinalize: items_->Finalize(); break;
        case dxntRestore: items_->Restore(); break;
        default: break;
    }
}

void TCustomDXImageList::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == TOperation::Remove && component != nullptr && component == dxdraw_) {
        items_->Finalize();
        dxdraw_ = nullptr;
    }
}

void TCustomDXImageList::DefineProperties(TFiler& filer) {
    inherited::DefineProperties(filer);
    filer.DefineProperty(
        "Left", [this](TReader& r) { Left = r.ReadInteger(); }, [this](TWriter& w) { w.WriteInteger(Left); }, true);
    filer.DefineProperty(
        "Top", [this](TReader& r) { Top = r.ReadInteger(); }, [this](TWriter& w) { w.WriteInteger(Top); }, true);
}

bool TCustomDXImageList::Display::PictureDisplayInitialized() const {
    return list_.dxdraw_ != nullptr && list_.dxdraw_->Initialized();
}

TDirectDraw* TCustomDXImageList::Display::DirectDraw() const {
    return list_.dxdraw_ != nullptr ? list_.dxdraw_->DDraw() : nullptr;
}

}  // namespace klice
