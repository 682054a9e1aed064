// The document walk compiled for every processor (see json_walk.inc).
#define QUIRE_JSON_KERNEL portable
#define QUIRE_JSON_MAKE_KERNEL makePortableJsonKernel
#include "apps/decimal/json_walk.inc"
