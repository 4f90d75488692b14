// The power of the specular term, pow(r.v, shininess), the same float on every machine.
#pragma once

// base: positive and finite (r.v once it is above 0); exponent: any float. As IEEE pow: 1
// when the exponent is 0 or the base 1 (even for an infinite or NaN exponent), 0 or infinity
// beyond the float range, and a NaN exponent gives NaN otherwise. Within one ulp of the exact
// power, and almost always the correctly rounded float.
float shininessPow(float base, float exponent);
