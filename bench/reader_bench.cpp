// Reader throughput in MB/s of HEX text, for the record sizes linkers commonly emit.
#include "lumbrix/ihex.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

using namespace lumbrix;

static uint32_t delivered;

static int sink_count(const uint8_t *, uint32_t, uint32_t length) {
    delivered += length;
    return 0;
}

static void text_append_record(std::string *text, uint8_t type, uint16_t offset,
                               const uint8_t *data, uint8_t count) {
    char field[3];
    uint8_t sum = count + (offset >> 8) + (offset & 0xFF) + type;
    *text += ':';
    auto put = [&](uint8_t byte) {
        snprintf(field, sizeof field, "%02X", byte);
        *text += field;
    };
    put(count);
    put(offset >> 8);
    put(offset & 0xFF);
    put(type);
    for (int i = 0; i < count; ++i) {
        put(data[i]);
        sum += data[i];
    }
    put(static_cast<uint8_t>(-sum));
    *text += '\n';
}

// About `total` bytes of data from 0x80000 on, in records of `count` bytes, with an extended
// linear address record at each 64 KiB boundary.
static std::string text_make(uint8_t count, uint32_t total) {
    std::string text;
    uint8_t data[255];
    for (uint32_t address = 0x80000; address < 0x80000 + total; address += count) {
        if (address == 0x80000 || (address & 0xFFFF) < count) {
            uint8_t upper[2] = {static_cast<uint8_t>(address >> 24),
                                static_cast<uint8_t>(address >> 16)};
            text_append_record(&text, 0x04, 0, upper, 2);
        }
        for (int i = 0; i < count; ++i)
            data[i] = static_cast<uint8_t>(address * 7 + i);
        text_append_record(&text, 0x00, address & 0xFFFF, data, count);
    }
    return text;
}

static void BM_read_intel_hex(benchmark::State &state) {
    std::string text = text_make(static_cast<uint8_t>(state.range(0)), 1 << 20);
    for (auto _ : state) {
        FILE *in = fmemopen(text.data(), text.size(), "r");
        read_intel_hex(in, sink_count, false);
        fclose(in);
    }
    benchmark::DoNotOptimize(delivered);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_read_intel_hex)->ArgName("record")->Arg(16)->Arg(32)->Arg(250);
