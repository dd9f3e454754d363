// Walking one large key of the registry store on disk, value by value and
// subkey by subkey, through the registry functions as a lister does.
// "per_value" / "per_key" is the time per entry; it should not grow with the
// size of the key. The store is filled once per size, outside the timing.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/portable/registry/RegistryControl.h"
#include "platform/win/RegKey.h"

namespace {

namespace fs = std::filesystem;

// A file store of its own in a temporary folder, removed afterwards.
class TemporaryStore {
 public:
  TemporaryStore() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vornie-regbench-XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temporary folder");
    dir_ = pattern;
    if (win::registry::UseFileStore((dir_ / "registry.db").string()) != ERROR_SUCCESS)
      throw std::runtime_error(win::registry::LastStoreError());
  }
  ~TemporaryStore() {
    win::registry::Reset();
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  TemporaryStore(const TemporaryStore&) = delete;
  TemporaryStore& operator=(const TemporaryStore&) = delete;

 private:
  fs::path dir_;
};

void PerEntry(benchmark::State& state, const char* name, int entries) {
  state.counters["entries"] = entries;
  state.counters[name] = benchmark::Counter(static_cast<double>(entries), benchmark::Counter::kIsIterationInvariantRate |
                                                                             benchmark::Counter::kInvert);
}

void BM_EnumerateValues(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TemporaryStore store;
  win::RegKey key;
  if (key.Create(HKEY_CURRENT_USER, L"Software\\Bench") != ERROR_SUCCESS) {
    state.SkipWithError("cannot create the key");
    return;
  }
  for (int i = 0; i < count; ++i) key.SetDword(L"value" + std::to_wstring(i), static_cast<DWORD>(i));

  std::wstring name(16384, L'\0');
  BYTE data[64];
  for (auto _ : state) {
    win::RegKey walker;
    walker.Open(HKEY_CURRENT_USER, L"Software\\Bench");
    int seen = 0;
    for (DWORD index = 0;; ++index) {
      DWORD chars = static_cast<DWORD>(name.size());
      DWORD type = 0;
      DWORD bytes = sizeof data;
      const LSTATUS status =
          win::RegEnumValueW(walker.Get(), index, name.data(), &chars, nullptr, &type, data, &bytes);
      if (status != ERROR_SUCCESS) break;
      ++seen;
    }
    if (seen != count) state.SkipWithError("the walk did not see every value");
    benchmark::DoNotOptimize(seen);
  }
  PerEntry(state, "per_value", count);
}
BENCHMARK(BM_EnumerateValues)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_EnumerateSubkeys(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  TemporaryStore store;
  win::RegKey key;
  if (key.Create(HKEY_CURRENT_USER, L"Software\\Bench") != ERROR_SUCCESS) {
    state.SkipWithError("cannot create the key");
    return;
  }
  for (int i = 0; i < count; ++i) win::RegKey().Create(key.Get(), L"sub" + std::to_wstring(i));

  for (auto _ : state) {
    const std::vector<std::wstring> names = key.SubKeyNames();
    if (static_cast<int>(names.size()) != count) state.SkipWithError("the walk did not see every subkey");
    benchmark::DoNotOptimize(names.data());
  }
  PerEntry(state, "per_key", count);
}
BENCHMARK(BM_EnumerateSubkeys)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
