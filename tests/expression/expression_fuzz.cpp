// libFuzzer driver of the expression parser and checker: any text is parsed, checked
// against a small scope and, when it compiles, evaluated (with and without a tape).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ExpressionTestScope.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace oxqr::expr;
  test::TTestScope scope;
  const TCompiled c = Compile(std::string_view(reinterpret_cast<const char*>(data), size), scope);
  if (c.Expression) {
    TValue v;
    TEvalCounters counters;
    TTape tape;
    TEvalContext live{&counters, nullptr, false};
    c.Expression->Evaluate(v, live);
    TEvalContext record{&counters, &tape, false};
    c.Expression->Evaluate(v, record);
    TEvalContext replay{&counters, &tape, true};
    c.Expression->Evaluate(v, replay);
  }
  return 0;
}
