#include "tools/assets/component_text.h"

#include <sstream>

#include "platform/data_budget.h"
#include "tools/assets/picture_data.h"
#include "tools/assets/png_image.h"
#include "tools/assets/source_error.h"
#include "tools/assets/stream_emitter.h"
#include "tools/assets/synth.h"

namespace klice::assets {

namespace {

struct Line {
    int number;
    std::vector<std::string> words;
    std::string raw;
};

bool is_quoted(const std::string& w) { return w.size() >= 2 && w.front() == '\'' && w.back() == '\''; }

bool is_identifier(const std::string& w) {
    if (w.empty()) return false;
    for (size_t i = 0; i < w.size(); ++i) {
        const char c = w[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool digit = c >= '0' && c <= '9';
        if (!(letter || (i > 0 && digit))) return false;
    }
    return true;
}

bool is_path(const std::string& w) {
    std::stringstream parts(w);
    std::string part;
    int count = 0;
    while (std::getline(parts, part, '.')) {
        if (!is_identifier(part)) return false;
        ++count;
    }
    return count > 0 && w.back() != '.';
}

class Compiler {
public:
    Compiler(const std::string& text, const std::string& file) : file_(file) {
        const size_t slash = file.find_last_of('/');
        folder_ = slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
        std::stringstream in(text);
        std::string raw;
        int number = 0;
        while (std::getline(in, raw)) {
            ++number;
            std::vector<std::string> words = split_words(raw, file_, number);
            if (!words.empty()) lines_.push_back({number, std::move(words), raw});
        }
    }

    std::vector<uint8_t> Run() {
        out_.Signature();
        if (lines_.empty()) throw ESourceError(file_, 1, "no object described");
        Object();
        if (pos_ != lines_.size()) Fail(lines_[pos_], "text after the last 'end' of the root object");
        return out_.Take();
    }

private:
    [[noreturn]] void Fail(const Line& line, const std::string& what) const {
        throw ESourceError(file_, line.number, what);
    }
    const Line& Next(const Line& after) {
        if (pos_ >= lines_.size()) Fail(after, "the file ends before this block is closed");
        return lines_[pos_++];
    }

    // `object Class [Name]` ... `end`
    void Object() {
        const Line& head = lines_[pos_++];
        if (head.words[0] != "object" || head.words.size() < 2 || head.words.size() > 3)
            Fail(head, "expected 'object Class Name'");
        if (!is_identifier(head.words[1])) Fail(head, "'" + head.words[1] + "' is not a class name");
        const std::string name = head.words.size() == 3 ? head.words[2] : "";
        if (!name.empty() && !is_identifier(name)) Fail(head, "'" + name + "' is not a component name");
        out_.ComponentHead(head.words[1], name);
        bool children = false;
        for (;;) {
            const Line& line = Next(head);
            if (line.words[0] == "end" && line.words.size() == 1) break;
            if (line.words[0] == "object") {
                if (!children) out_.EndOfList();
                children = true;
                --pos_;
                Object();
                continue;
            }
            if (children) Fail(line, "properties must come before the nested objects");
            Property(line);
        }
        if (!children) out_.EndOfList();
        out_.EndOfList();
    }

    // `Path = value`
    void Property(const Line& line) {
        const auto& w = line.words;
        if (w.size() < 3 || w[1] != "=") Fail(line, "expected 'Property = value'");
        if (!is_path(w[0])) Fail(line, "'" + w[0] + "' is not a property path");
        out_.PropertyPath(w[0]);
        Value(line, std::vector<std::string>(w.begin() + 2, w.end()));
    }

    void Value(const Line& line, const std::vector<std::string>& v) {
        const std::string& first = v[0];
        if (first == "<") {
            if (v.size() != 1) Fail(line, "a collection starts with '<' alone");
            Collection(line);
        } else if (first.front() == '[') {
            Set(line);
        } else if (first == "picture") {
            if (v.size() != 3 || !is_quoted(v[1])) Fail(line, "expected picture 'file.png' bits");
            const int bits = static_cast<int>(parse_integer(v[2], file_, line.number, 1, 32));
            const std::string path = folder_ + Unquote(v[1]);
            out_.Binary(picture_data(read_png(path, file_, line.number), bits, file_, line.number));
        } else if (first == "wave") {
            if (v.size() != 2 || !is_quoted(v[1])) Fail(line, "expected wave 'recipe.txt'");
            out_.Binary(synthesize_wave_file(folder_ + Unquote(v[1]), file_, line.number));
        } else if (first == "zeros") {
            if (v.size() != 2) Fail(line, "expected zeros count");
            const auto count = parse_integer(v[1], file_, line.number, 0, 1 << 24);
            out_.Binary(std::vector<uint8_t>(static_cast<size_t>(count), 0));
        } else if (v.size() != 1) {
            Fail(line, "unexpected text after the value '" + first + "'");
        } else if (is_quoted(first)) {
            out_.String(Unquote(first));
        } else if (first[0] == '-' || (first[0] >= '0' && first[0] <= '9')) {
            out_.Integer(parse_integer(first, file_, line.number, INT32_MIN, INT32_MAX));
        } else if (is_identifier(first)) {
            out_.Ident(first);
        } else {
            Fail(line, "'" + first + "' is not a value");
        }
    }

    void Set(const Line& line) {
        const size_t open = line.raw.find('[');
        const size_t close = line.raw.find(']', open);
        if (close == std::string::npos) Fail(line, "a set needs its closing ']'");
        const std::string rest = line.raw.substr(close + 1);
        if (!split_words(rest, file_, line.number).empty()) Fail(line, "unexpected text after the set");
        std::vector<std::string> members;
        std::stringstream items(line.raw.substr(open + 1, close - open - 1));
        std::string member;
        while (std::getline(items, member, ',')) {
            const auto words = split_words(member, file_, line.number);
            if (words.empty() && members.empty() && items.eof()) break;
            if (words.size() != 1 || !is_identifier(words[0]))
                Fail(line, "a set holds identifiers separated by commas");
            members.push_back(words[0]);
        }
        out_.Set(members);
    }

    // `<` then `item` ... `end` blocks, then `>`.
    void Collection(const Line& open) {
        out_.CollectionBegin();
        for (;;) {
            const Line& line = Next(open);
            if (line.words.size() == 1 && line.words[0] == ">") break;
            if (line.words.size() != 1 || line.words[0] != "item") Fail(line, "expected 'item' or '>'");
            out_.ItemBegin();
            for (;;) {
                const Line& prop = Next(line);
                if (prop.words.size() == 1 && prop.words[0] == "end") break;
                Property(prop);
            }
            out_.EndOfList();
        }
        out_.EndOfList();
    }

    static std::string Unquote(const std::string& w) { return w.substr(1, w.size() - 2); }

    std::string file_, folder_;
    std::vector<Line> lines_;
    size_t pos_ = 0;
    StreamEmitter out_;
};

}  // namespace

std::vector<uint8_t> compile_component_text(const std::string& text, const std::string& file) {
    // The pictures of one stream share its budget, as when the game reads it.
    platform::budget::StreamPictures pictures;
    return Compiler(text, file).Run();
}

std::vector<uint8_t> compile_component_file(const std::string& file) {
    return compile_component_text(read_text_file(file, file, 0), file);
}

}  // namespace klice::assets
