// The scenes against our AGG parts; this file is compiled with AGG's namespace renamed, like them.
#define AGG_SCENES_SIDE Own
#include "AggScenes.inc"
