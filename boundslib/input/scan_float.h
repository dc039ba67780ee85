// Floating conversions: the field is collected as text ([sign] digits [. digits] [e [sign]
// digits]) and converted at its end. The collection is written once over a reader: the stream's
// get and give-back, or a narrow string read in place.
#pragma once

#include "input/float_text.h"
#include "input/scan_direct.h"

namespace boundslib::input {

// An unbounded reader reads a field with no width from a source shorter than the text's room:
// every appended character consumed one, so neither width nor room needs counting.
template <typename Traits, typename Reader>
bool field_left(ScanRun<Traits> &run, const Reader &) {
    if constexpr (Reader::UNBOUNDED) return true;
    return width_left(run.spec);
}

template <typename Traits, typename Reader>
void count_width(ScanRun<Traits> &run, const Reader &) {
    if constexpr (!Reader::UNBOUNDED) use_width(run.spec);
}

template <typename Traits, typename Reader>
bool append_float(ScanRun<Traits> &run, const Reader &, int32_t ch) {
    FloatText<typename Traits::Char> &text = run.floatText;
    text.text[text.length++] = static_cast<typename Traits::Char>(ch);
    if constexpr (Reader::UNBOUNDED) return true;
    return text.length < text.capacity || grow_float_text(text) == 0;
}

// An optional sign; '+' is consumed but not kept.
template <typename Traits, typename Reader>
bool collect_float_sign(ScanRun<Traits> &run, Reader &in) {
    if (!field_left(run, in)) return true;
    const int32_t ch = in.fetch();
    if (ch == '+' || ch == '-') {
        count_width(run, in);
        return ch == '+' || append_float(run, in, ch);
    }
    if (ch != INPUT_END) in.give_back();
    return true;
}

template <typename Traits, typename Reader>
bool collect_float_digits(ScanRun<Traits> &run, Reader &in) {
    ScanSpec &spec = run.spec;
    while (field_left(run, in)) {
        const int32_t ch = in.fetch();
        if (!is_decimal_digit(ch)) {
            if (ch != INPUT_END) in.give_back();
            return true;
        }
        spec.digitsSeen = 1;
        count_width(run, in);
        if (!append_float(run, in, ch)) return false;
    }
    return true;
}

// Takes the next character if it is one of the two given; gives anything else back.
template <typename Reader>
bool take_if(Reader &in, int32_t a, int32_t b) {
    const int32_t ch = in.fetch();
    if (ch == a || ch == b) return true;
    if (ch != INPUT_END) in.give_back();
    return false;
}

// False when the text could not grow.
template <typename Traits, typename Reader>
bool collect_float(ScanRun<Traits> &run, Reader &&in) {
    ScanSpec &spec = run.spec;
    bool grew = collect_float_sign(run, in) && collect_float_digits(run, in);
    if (grew && field_left(run, in) && take_if(in, '.', '.')) {
        count_width(run, in);
        grew = append_float(run, in, '.') && collect_float_digits(run, in);
    }
    if (grew && spec.digitsSeen == 1 && field_left(run, in) && take_if(in, 'e', 'E')) {
        count_width(run, in);
        grew = append_float(run, in, 'e') && collect_float_sign(run, in) &&
               collect_float_digits(run, in);
    }
    in.commit();
    return grew;
}

template <typename Traits>
void store_float(ScanRun<Traits> &run, void *target, const char *text) {
    const int32_t sizeClass = run.spec.sizeClass;
    if (sizeClass >= 3) {
        *static_cast<long double *>(target) = std::strtold(text, nullptr);
    } else if (sizeClass == 2) {
        *static_cast<double *>(target) = text_to_double(text);
    } else {
        *static_cast<float *>(target) = static_cast<float>(text_to_double(text));
    }
}

// e f g: false stops the run.
template <typename Traits>
bool scan_float(ScanRun<Traits> &run) {
    ScanSpec &spec = run.spec;
    FloatText<typename Traits::Char> &text = run.floatText;
    give_back(run);
    text.length = 0;
    bool grew;
    if constexpr (Traits::DIRECT_STRING) {
        if (run.stream->flags != SOURCE_STRING) {
            grew = collect_float(run, StreamReader<Traits>{run});
        } else if (spec.widthGiven == 0 && run.stream->available < text.capacity) {
            grew = collect_float(run, StringReader<Traits, true>{run});
        } else {
            grew = collect_float(run, StringReader<Traits>{run});
        }
    } else {
        grew = collect_float(run, StreamReader<Traits>{run});
    }
    // What the frame's text held, terminator included, for the clearing at the end of the run (a
    // text that failed to grow filled all of it).
    if (text.heapText == nullptr && text.length >= run.frameTextUsed) {
        run.frameTextUsed = text.length < FLOAT_TEXT_INITIAL ? text.length + 1 : FLOAT_TEXT_INITIAL;
    }
    if (!grew) return false;
    text.text[text.length] = 0;
    if (spec.digitsSeen != 1) return false;
    if (spec.suppress != 0) {
        ++run.conversionsDone;
        return true;
    }
    void *target = take_target(run);
    if (target == nullptr) return false;
    if (!Traits::convert_float(run, target)) return false;
    ++run.assigned;
    ++run.conversionsDone;
    return true;
}

}  // namespace boundslib::input
