#include "tests/data/test_classes.h"

#include "data/component_stream.h"
#include "data/writer.h"

namespace klice {

using test::TBigWidget;
using test::TFontish;
using test::THolder;
using test::TItem;
using test::TItems;
using test::TKnob;
using test::TRoot;
using test::TWidget;

KLICE_DESCRIBE_CLASS(TItem, c) {
    c.String("Name", &TItem::name, &TItem::name);
    c.Integer("Width", &TItem::width, &TItem::width).Default(0);
    c.Color("Color", &TItem::color, &TItem::color);
    c.Boolean("Visible", &TItem::visible, &TItem::visible);
    c.Enum("Mode", &TItem::mode, &TItem::mode, test::ModeType()).Default(0);
    c.Set("Style", &TItem::style, &TItem::style, test::StyleType()).Default(0);
    c.Float("Ratio", &TItem::ratio, &TItem::ratio);
    c.Char("Letter", &TItem::letter, &TItem::letter).Default(0);
    c.Int64("Big", &TItem::big, &TItem::big).Default(0);
    c.WString("Wide", &TItem::wide, &TItem::wide);
}

KLICE_DESCRIBE_CLASS(TItems, c) {}

void TItems::DefineProperties(TFiler& filer) {
    TCollection::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "ColorTable",
        [this](TStream& s) {
            color_table.assign(static_cast<size_t>(s.Size()), 0);
            s.ReadBuffer(color_table.data(), color_table.size());
        },
        [this](TStream& s) { s.WriteBuffer(color_table.data(), color_table.size()); }, !color_table.empty());
}

KLICE_DESCRIBE_CLASS(THolder, c) {
    c.Object("List", &THolder::List, &THolder::SetList);
    c.Integer("Fixed", &THolder::fixed);
}
KLICE_REGISTER_CLASS(THolder);

KLICE_DESCRIBE_CLASS(TFontish, c) {
    c.Set("Style", &TFontish::style, &TFontish::style, test::StyleType()).Default(0);
    c.Integer("Size", &TFontish::size, &TFontish::size).Default(8);
    c.Color("Color", &TFontish::color, &TFontish::color).Default(clWindowText);
}

KLICE_DESCRIBE_CLASS(TKnob, c) { c.Integer("Turns", &TKnob::turns, &TKnob::turns).Default(0); }

TWidget::TWidget(TComponent* owner) : TComponent(owner), knob(new TKnob(this)) {
    knob->SetName("Knob");
    knob->SetSubComponent(true);
}

void TWidget::DefineProperties(TFiler& filer) {
    TComponent::DefineProperties(filer);
    filer.DefineProperty(
        "Left", [this](TReader& r) { left = r.ReadInteger(); }, [this](TWriter& w) { w.WriteInteger(left); },
        left != 0);
}

KLICE_DESCRIBE_CLASS(TWidget, c) {
    c.Object("Font", &TWidget::Font, &TWidget::SetFont);
    c.Object("Knob", &TWidget::knob);
    c.Object("Buddy", &TWidget::Buddy, &TWidget::SetBuddy);
    c.String("Caption", &TWidget::caption, &TWidget::caption);
    c.Event("OnCreate", &TWidget::OnCreate);
    c.Event("OnKeyDown", &TWidget::OnKeyDown);
    c.Event("OnMouseDown", &TWidget::OnMouseDown);
}
KLICE_REGISTER_CLASS(TWidget);

void TBigWidget::DefineProperties(TFiler& filer) {
    TWidget::DefineProperties(filer);
    filer.DefineProperty(
        "Left", [this](TReader& r) { defined_by_derived = r.ReadInteger(); }, nullptr, false);
}

KLICE_DESCRIBE_CLASS(TBigWidget, c) {}

KLICE_DESCRIBE_CLASS(TRoot, c) {
    c.Member("First", &TRoot::First);
    c.Member("Holder1", &TRoot::Holder1);
    c.Member("Big", &TRoot::Big);
    c.Method("create", &TRoot::create);
    c.Method("keydown", &TRoot::keydown);
    c.Method("mouse_down", &TRoot::mouse_down);
}

namespace test {

std::vector<std::string> g_log;

const TTypeInfo& ModeType() {
    static const TTypeInfo t("TMode", std::vector<std::string>{"mdZero", "Null", "nil", "False", "True", "mdOther"});
    return t;
}

const TTypeInfo& StyleType() {
    static const TTypeInfo t("TStyle", std::vector<std::string>{"stBold", "stItalic", "stUnderline", "stStrikeOut"});
    return t;
}

std::string ReadError(const std::vector<uint8_t>& bytes, TComponent& root) {
    try {
        ReadRootFromBytes(bytes, root);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

}  // namespace test
}  // namespace klice
