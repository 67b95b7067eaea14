// The properties the host answers, as tables: per kind of object, a row per property with its
// getter and, when the property can be written, its setter. Session::GetProp and SetProp find the
// object's owner and hand the rest to these. Internal to the model.
#pragma once

#include "host/model/model.h"

#include <cstdint>

namespace lxhost {

// Numbers (Int and Metric) are interchangeable where a number is wanted.
inline bool IsNumber(PropType t) {
    return t == PropType::Int || t == PropType::Metric;
}

// Paragraph format settings, in the order GetProps lists them.
inline constexpr std::int32_t kPgfSettingProps[] = {
    kPropFontFamily,  kPropFontSize,    kPropFontWeight,  kPropFontAngle,  kPropLeftIndent,
    kPropFirstIndent, kPropRightIndent, kPropSpaceBefore, kPropSpaceAfter, kPropLeading,
    kPropAlignment,   kPropAutoNumber,  kPropNumberFormat};

// Reads one setting; false when prop is none of them.
bool GetPgfSetting(const PgfSettings& s, std::int32_t prop, PropValue* out);
// Writes one setting: kOk, kErrBadProperty (not a setting) or kErrBadPropType.
std::int32_t SetPgfSetting(PgfSettings& s, std::int32_t prop, const PropValue& v);

// Properties of the application (object 0), of an object of a document (the document itself
// included) and of a book or its component. The object is known to belong to the document or book.
std::int32_t GetAppProp(Session& session, std::int32_t prop, PropValue* out);
std::int32_t SetAppProp(Session& session, std::int32_t prop, const PropValue& v);
std::int32_t GetDocObjectProp(Session& session, Document& d, ObjectId obj, std::int32_t prop,
                              PropValue* out);
std::int32_t SetDocObjectProp(Session& session, Document& d, ObjectId obj, std::int32_t prop,
                              const PropValue& v);
std::int32_t GetBookObjectProp(Session& session, Book& b, ObjectId obj, std::int32_t prop,
                               PropValue* out);
std::int32_t SetBookObjectProp(Session& session, Book& b, ObjectId obj, std::int32_t prop,
                               const PropValue& v);

} // namespace lxhost
