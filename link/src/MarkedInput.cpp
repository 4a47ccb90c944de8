#include "MarkedInput.h"

namespace dxlink::detail {

size_t MarkedInput::decode(std::string_view in, std::string_view replacement, std::string& out) {
    size_t failed = 0;
    for (const char c : in) {
        const auto b = static_cast<unsigned char>(c);
        switch (state_) {
        case State::Plain:
            if (b == 0xFF)
                state_ = State::Escape;
            else
                out += c;
            break;
        case State::Escape:
            if (b == 0x00) {
                state_ = State::Marked;
            } else {
                // FF FF is a real FF; anything else cannot follow a mark, take both
                if (b != 0xFF) out += '\xFF';
                out += c;
                state_ = State::Plain;
            }
            break;
        case State::Marked:
            ++failed;
            if (replacement.empty())
                out += c;
            else
                out += replacement.front();
            state_ = State::Plain;
            break;
        }
    }
    return failed;
}

}  // namespace dxlink::detail
