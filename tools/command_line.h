// What the command-line tools share in reading their arguments: one flag
// parser. A tool names each flag with what it sets, then reads its
// arguments in one pass:
//
//   options o;
//   flags f;
//   f.text("--data", o.data)
//       .count("--level", o.level, 1, kLevelCount)
//       .toggle("--sound", o.sound);
//   f.parse(args);  // std::invalid_argument says what is wrong
//
// A flag with a value takes the next argument, whatever it looks like. An
// argument that is no flag goes to the handler given to `others`, or is
// refused.
#pragma once

#include <charconv>
#include <cstdint>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace klice::tools {

// The whole of `text` as a number from low to high, or invalid_argument
// naming the flag and the range.
inline int64_t parse_count(const std::string& flag, const std::string& text, int64_t low, int64_t high) {
    int64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        throw std::invalid_argument(flag + " wants a number from " + std::to_string(low) + " to " +
                                    std::to_string(high) + ", not '" + text + "'");
    return value;
}

// Raised by flags::parse for "--help" or "-h" where a flag may stand: the
// tool shows its usage and does nothing else.
struct help_wanted {};

// Whether an argument asks for the usage.
inline bool asks_for_help(std::string_view argument) { return argument == "--help" || argument == "-h"; }

class flags {
public:
    // --name VALUE: the value as it is.
    flags& text(std::string name, std::string& target) {
        return with_value(std::move(name), [&target](const std::string&, const std::string& v) { target = v; });
    }
    // --name N: a whole number from low to high, into an integer or an
    // optional integer.
    template <class T>
    flags& count(std::string name, T& target, int64_t low, int64_t high) {
        return with_value(std::move(name), [&target, low, high](const std::string& flag, const std::string& v) {
            using number = typename optional_value<T>::type;
            target = static_cast<number>(parse_count(flag, v, low, high));
        });
    }
    // --name VALUE handed to `take`, which may raise invalid_argument.
    flags& value(std::string name, std::function<void(const std::string&)> take) {
        return with_value(std::move(name),
                          [take = std::move(take)](const std::string&, const std::string& v) { take(v); });
    }
    // --name alone: sets target.
    flags& toggle(std::string name, bool& target) {
        known_.push_back(
            {std::move(name), false, [&target](const std::string&, const std::string&) { target = true; }});
        return *this;
    }
    // Arguments that are no flag of this parser, in their order.
    flags& others(std::function<void(const std::string&)> take) {
        others_ = std::move(take);
        return *this;
    }

    void parse(const std::vector<std::string>& args) const {
        for (size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            const flag* f = find(a);
            if (f == nullptr) {
                if (asks_for_help(a)) throw help_wanted{};
                if (!others_) throw std::invalid_argument("unknown argument '" + a + "'");
                others_(a);
                continue;
            }
            if (!f->takes_value) {
                f->set(a, {});
                continue;
            }
            if (i + 1 >= args.size()) throw std::invalid_argument(a + " needs a value");
            f->set(a, args[++i]);
        }
    }

private:
    template <class T>
    struct optional_value {
        using type = T;
    };
    template <class T>
    struct optional_value<std::optional<T>> {
        using type = T;
    };
    struct flag {
        std::string name;
        bool takes_value;
        std::function<void(const std::string& flag, const std::string& value)> set;
    };

    flags& with_value(std::string name, std::function<void(const std::string&, const std::string&)> set) {
        known_.push_back({std::move(name), true, std::move(set)});
        return *this;
    }
    const flag* find(const std::string& name) const {
        for (const flag& f : known_)
            if (f.name == name) return &f;
        return nullptr;
    }

    std::vector<flag> known_;
    std::function<void(const std::string&)> others_;
};

// A tool's main: the arguments (without the program's name) read by
// `parse`, which raises std::invalid_argument for a wrong one (the tool then
// says why and shows its usage, status 2) or help_wanted (the usage on
// standard output, status 0); then `run`, whose status is the
// tool's (a failure: its message, status 1).
template <class Options>
int tool_main(const char* name, const char* usage, int argc, char** argv,
              const std::function<Options(const std::vector<std::string>&)>& parse,
              const std::function<int(Options&)>& run) {
    Options options;
    try {
        options = parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& e) {
        std::cerr << name << ": " << e.what() << "\n" << usage;
        return 2;
    } catch (const help_wanted&) {
        std::cout << usage;
        return 0;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::cerr << name << ": " << e.what() << "\n";
        return 1;
    }
}

}  // namespace klice::tools
