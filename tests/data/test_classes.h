// Small classes that exercise every property kind of the stream: a holder
// with a collection "List" (items with one property of each kind and a
// defined binary "ColorTable" on the collection), a widget with a plain
// sub-object and a sub-component, and a root with members, methods and a
// log of Loaded() calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/events.h"
#include "data/filer.h"
#include "data/persistent.h"
#include "data/reader.h"
#include "data/stream.h"

namespace klice::test {

extern std::vector<std::string> g_log;  // Loaded() and destructor calls

enum class TMode { mdZero, mdNull, mdNil, mdFalse, mdTrue, mdOther };
const TTypeInfo& ModeType();
enum class TStyle { stBold, stItalic, stUnderline, stStrikeOut };
const TTypeInfo& StyleType();
using TStyles = TSet<TStyle>;

class TItem : public TCollectionItem {
    KLICE_CLASS(TItem, TCollectionItem)
public:
    explicit TItem(TCollection* c) : TCollectionItem(c) {}
    std::string name;
    int32_t width = 0;
    TColor color = clBlack;
    bool visible = false;
    TMode mode = TMode::mdZero;
    TStyles style;
    double ratio = 0;
    char letter = 0;
    int64_t big = 0;
    std::u16string wide;
};

class TItems : public TCollection {
    KLICE_CLASS(TItems, TCollection)
public:
    TItems() : TCollection(TItem::StaticClass()) {}
    TItem* operator[](int i) const { return ItemAs<TItem>(i); }
    std::vector<uint8_t> color_table;  // the defined "ColorTable"
    int whole_updates = 0;
    void DefineProperties(TFiler& filer) override;

protected:
    void Update(TCollectionItem* item) override {
        if (item == nullptr) ++whole_updates;
    }
};

class THolder : public TComponent {
    KLICE_CLASS(THolder, TComponent)
public:
    explicit THolder(TComponent* owner) : TComponent(owner) {}
    TItems list;
    TItems* List() { return &list; }
    void SetList(TItems* v) { list.Assign(v); }
    int32_t fixed = 5;  // read-only
};

class TFontish : public TPersistent {
    KLICE_CLASS(TFontish, TPersistent)
public:
    TStyles style;
    int32_t size = 8;
    TColor color = clWindowText;
};

class TKnob : public TComponent {
    KLICE_CLASS(TKnob, TComponent)
public:
    explicit TKnob(TComponent* owner) : TComponent(owner) {}
    int32_t turns = 0;
};

class TWidget : public TComponent {
    KLICE_CLASS(TWidget, TComponent)
public:
    explicit TWidget(TComponent* owner);
    ~TWidget() override { g_log.push_back("~" + Name()); }
    void Loaded() override {
        TComponent::Loaded();
        g_log.push_back("Loaded " + Name());
    }
    void DefineProperties(TFiler& filer) override;

    int32_t left = 0;  // the defined "Left", a general value
    TFontish font;
    TFontish* Font() { return &font; }
    void SetFont(TFontish* f) { font = *f; }
    TKnob* knob;  // a sub-component without setter
    TWidget* buddy = nullptr;
    TWidget* Buddy() const { return buddy; }
    void SetBuddy(TWidget* b) { buddy = b; }
    std::string caption;
    TNotifyEvent OnCreate;
    TKeyEvent OnKeyDown;
    TMouseEvent OnMouseDown;
};

class TBigWidget : public TWidget {
    KLICE_CLASS(TBigWidget, TWidget)
public:
    using TWidget::TWidget;
    void DefineProperties(TFiler& filer) override;
    int32_t defined_by_derived = 0;  // gets "Left" only if the base did not take it
};

class TRoot : public TComponent {
    KLICE_CLASS(TRoot, TComponent)
public:
    explicit TRoot(TComponent* owner = nullptr) : TComponent(owner) {}
    ~TRoot() override { DestroyComponents(); }
    void Loaded() override {
        TComponent::Loaded();
        g_log.push_back("Loaded root " + Name());
    }
    TWidget* First = nullptr;
    THolder* Holder1 = nullptr;
    TBigWidget* Big = nullptr;
    std::vector<std::string> calls;
    void create(TObject* sender) { calls.push_back("create " + static_cast<TComponent*>(sender)->Name()); }
    void keydown(TObject*, uint16_t& key, TShiftState) { calls.push_back("key " + std::to_string(key)); }
    void mouse_down(TObject*, TMouseButton, TShiftState, int x, int y) {
        calls.push_back("mouse " + std::to_string(x) + "," + std::to_string(y));
    }
};

// Bytes of a hand-made stream.
class Bytes {
public:
    Bytes& raw(std::initializer_list<int> bytes) {
        for (int b : bytes) data.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    Bytes& text(const std::string& s) {
        data.insert(data.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& str(const std::string& s) {  // length byte and bytes
        data.push_back(static_cast<uint8_t>(s.size()));
        return text(s);
    }
    Bytes& tag(TValueType t) { return raw({static_cast<int>(t)}); }
    Bytes& i32(int32_t v) {
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
        return *this;
    }
    Bytes& ident(const std::string& s) { return tag(TValueType::vaIdent).str(s); }
    Bytes& int8(int v) { return tag(TValueType::vaInt8).raw({v & 0xFF}); }
    Bytes& end() { return raw({0}); }
    // "TPF0" and a record header.
    Bytes& header(const std::string& cls, const std::string& name) { return text("TPF0").str(cls).str(name); }
    Bytes& record(const std::string& cls, const std::string& name) { return str(cls).str(name); }
    std::vector<uint8_t> data;
};

// Reads bytes into root and gives the message of the failure ("" when none).
std::string ReadError(const std::vector<uint8_t>& bytes, TComponent& root);

}  // namespace klice::test
