#pragma once
// The entry point of the policy analyses, the questions scheme designers
// ask beside the single optimisation: what each further Euro buys (the
// budget-effect curve), what payments that differ by zone would save, what
// a tender would cost, and all of them side by side (the price of
// uniformity). Every analysis works on one evaluation of the candidate
// lists and reaches the searches only through their public entry points.
#include "policy/compare.h"
#include "policy/curve.h"
#include "policy/tender.h"
#include "policy/zone_payments.h"
#include "policy/zones.h"
