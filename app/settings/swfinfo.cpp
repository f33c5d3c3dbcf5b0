#include "settings/swfinfo.h"

#include <type_traits>

namespace {

static_assert(QSWFInfo::FIELD_COUNT == FIELD_COUNT);
static_assert(int(RES_COUNT) == int(KIND_COUNT) && int(RES_VIDEO) == int(KIND_FLV));

// Fields 0-33 by Tparams index, generated from the field table so that a
// field added there is read, written and stored here too.
struct Taccess {
    int (*get)(const QSWFInfo&);
    void (*set)(QSWFInfo&, int);
};

#define ACCESS_ROW(n, ...)                                                   \
    {[](const QSWFInfo& r) { return int(r.n); },                              \
     [](QSWFInfo& r, int v) { r.n = std::remove_reference_t<decltype(r.n)>(v); }},
const Taccess accessors[RECORD_FIELD_COUNT] = {SETTINGS_RECORD_FIELDS(ACCESS_ROW)};
#undef ACCESS_ROW

}  // namespace

QSWFInfo::QSWFInfo() {
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i) setField(i, paramfields[i].recorddefault);
}

bool QSWFInfo::isKindChecked(TResType kind) const { return kind >= 0 && kind < RES_COUNT && checked[kind] != 0; }

void QSWFInfo::setKindChecked(TResType kind, bool on) {
    if (kind >= 0 && kind < RES_COUNT) checked[kind] = on ? 1 : 0;
}

int QSWFInfo::field(int i) const {
    if (i < 0 || i >= FIELD_COUNT) return 0;
    if (i < RECORD_FIELD_COUNT) return accessors[i].get(*this);
    return checked[paramfields[i].kind];
}

void QSWFInfo::setField(int i, int value) {
    if (i < 0 || i >= FIELD_COUNT) return;
    if (i < RECORD_FIELD_COUNT) accessors[i].set(*this, value);
    else checked[paramfields[i].kind] = value;
}

const char* QSWFInfo::fieldName(int i) { return i >= 0 && i < FIELD_COUNT ? paramfields[i].name : ""; }

void QSWFInfo::setParams(const Tparams& p) {
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i) setField(i, p.*paramfields[i].member);
}

void CopySWfInfoToCompress(const QSWFInfo* info, Tparams& params) {
    if (!info) return;
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i) params.*paramfields[i].member = info->field(i);
    for (int i = RECORD_FIELD_COUNT; i < FIELD_COUNT; ++i) {
        const Tfield& f = paramfields[i];
        // The AS kind is never skipped, whatever its box says.
        params.*f.member = f.kind == KIND_AS ? 0 : !info->isKindChecked(TResType(f.kind));
    }
}
