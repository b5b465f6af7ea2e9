// Building the memory image of a full 94 KiB window from records of one size, added in
// address order, in reverse, or shuffled.
#include "lumbrix/segment_list.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace lumbrix;

constexpr uint32_t WINDOW_FIRST = 0x80000;
constexpr uint32_t WINDOW_SIZE = 0x17800;

enum Order { IN_ORDER, REVERSED, SHUFFLED };

// Record start addresses that cover the window once.
static std::vector<uint32_t> addresses_make(uint32_t record, Order order) {
    std::vector<uint32_t> addresses;
    for (uint32_t offset = 0; offset < WINDOW_SIZE; offset += record)
        addresses.push_back(WINDOW_FIRST + offset);
    if (order == REVERSED)
        std::reverse(addresses.begin(), addresses.end());
    if (order == SHUFFLED)
        std::shuffle(addresses.begin(), addresses.end(), std::mt19937(551));
    return addresses;
}

static void BM_segment_list_add(benchmark::State &state, Order order) {
    uint32_t record = static_cast<uint32_t>(state.range(0));
    std::vector<uint32_t> addresses = addresses_make(record, order);
    std::vector<uint8_t> bytes(record, 0x5A);
    for (auto _ : state) {
        SegmentList list = nullptr;
        for (uint32_t address : addresses) {
            uint32_t length = std::min(record, WINDOW_FIRST + WINDOW_SIZE - address);
            segment_list_add(&list, bytes.data(), address, length);
        }
        benchmark::DoNotOptimize(list);
        segment_list_free(&list);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * addresses.size()));
}
BENCHMARK_CAPTURE(BM_segment_list_add, in_order, IN_ORDER)
    ->ArgName("record")
    ->Arg(1)
    ->Arg(16)
    ->Arg(250)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_segment_list_add, reversed, REVERSED)
    ->ArgName("record")
    ->Arg(1)
    ->Arg(16)
    ->Arg(250)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_segment_list_add, shuffled, SHUFFLED)
    ->ArgName("record")
    ->Arg(1)
    ->Arg(16)
    ->Arg(250)
    ->Unit(benchmark::kMillisecond);
