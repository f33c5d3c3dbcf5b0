// The vector layer's reset, above the registry and the tag classes that
// report to it, so that the registry includes none of them.
#include "definemorphshape.h"
#include "fontplan.h"
#include "placeobject.h"
#include "registry.h"
#include "scene.h"

void clearres() {
    clearregistry();
    fontplanclear();
    sceneclear();
    placeclearparsedepths();
    morphclear();
}
