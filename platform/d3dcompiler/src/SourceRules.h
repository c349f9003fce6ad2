// The Windows compiler's rules that are met by reading or rewriting the HLSL text before the front end
// sees it. Rewrites keep every line where it was, so messages keep their line numbers.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace d3dcompiler {

// Every rewrite below, in order: what the front end is given for the file being compiled and each file it
// includes.
std::string RewrittenForFrontEnd(std::string_view source);

// `unsigned int` as uint, effect-style `= sampler_state { ... }` initialisers dropped, and ldexp with any
// exponent type, as the Windows compiler reads them.
std::string WithWindowsSyntax(std::string_view source);

// Structs that derive from another (struct B : A) get the base's members in front of their own.
std::string WithFlattenedInheritance(std::string_view source);

// Brace initialisers the Windows compiler reads flat across structs, arrays, vectors and matrices
// (float4 a[2] = {1, 2, 3, 4, 5, 6, 7, 8}) given the nesting the front end needs, when every leaf is a scalar.
std::string WithFlattenedInitializers(std::string_view source);

// What an included file is given to the front end as: RewrittenForFrontEnd's text, its placement and refusals
// counted in the compile that includes it (the one running on this thread).
std::string RewrittenInclude(std::string_view source, const std::string& fileName);

// The value operands of the raw buffers' Interlocked* methods converted to uint, as the Windows compiler
// converts an int argument (the front end would pass an int to an unsigned atomic).
std::string WithUnsignedInterlockedValues(std::string_view source);

// A typedef's row_major or column_major repeated on each declaration that uses the typedef, since the
// front end drops the modifier from the typedef.
std::string WithTypedefMajority(std::string_view source);

struct PlacementScan {
  std::set<std::string> ExplicitlyPlaced;  // block names whose members carry their own offsets
  std::string Problem;                     // "<line>: <what is wrong>" for a refused placement, else empty
};

// cbuffers laid out by packoffset and globals given register(c#); a cbuffer that mixes members with and
// without packoffset is refused, as the Windows compiler refuses it.
PlacementScan ScanExplicitPlacement(std::string_view source);

// "<line>: <what is wrong>" for an assignment to a swizzle that names a component twice (v.xx = ...),
// else empty.
std::string FindRepeatedSwizzleWrite(std::string_view source);

}  // namespace d3dcompiler
