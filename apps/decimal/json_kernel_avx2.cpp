// The document walk compiled for processors with AVX2 (see json_walk.inc).
#define QUIRE_JSON_KERNEL avx2
#define QUIRE_JSON_MAKE_KERNEL makeAvx2JsonKernel
#include "apps/decimal/json_walk.inc"
