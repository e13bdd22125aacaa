// The scenes against the system's AGG library.
#define AGG_SCENES_SIDE Reference
#include "AggScenes.inc"
