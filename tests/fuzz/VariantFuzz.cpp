// Text read as a number, a Boolean, a date or a time: what is accepted reads back the same from the
// text form written for it.
#include "core/Variant.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cmath>

using namespace tarvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TVariant text(FuzzText(data, size));
    try {
        const std::int64_t v = text.AsInteger();
        Require(TVariant(TVariant(v).AsText()).AsInteger() == v, "an integer reads back");
    } catch (const EVariantError&) {
    }
    try {
        const double v = text.AsDouble();
        const std::string written = TVariant(v).AsText();
        if (std::isfinite(v)) Require(TVariant(written).AsDouble() == v, "a number reads back");
    } catch (const EVariantError&) {
    }
    try {
        const bool v = text.AsBoolean();
        Require(TVariant(TVariant(v).AsText()).AsBoolean() == v, "a Boolean reads back");
    } catch (const EVariantError&) {
    }
    try {
        const TVarDate v = text.AsDate();
        Require(IsValidDate(v) && TVariant(FormatDate(v)).AsDate() == v, "a date reads back");
    } catch (const EVariantError&) {
    }
    try {
        const TVarTime v = text.AsTime();
        const std::string written = FormatTime(v);
        Require(IsValidTime(v) && FormatTime(TVariant(written).AsTime()) == written, "a time reads back");
    } catch (const EVariantError&) {
    }
    try {
        const TVarDateTime v = text.AsDateTime();
        const std::string written = FormatDateTime(v);
        Require(FormatDateTime(TVariant(written).AsDateTime()) == written, "a date-time reads back");
    } catch (const EVariantError&) {
    }
    return 0;
}
