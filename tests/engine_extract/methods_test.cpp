// Every compression method reaches its decompressor through the archive
// walk, with the method's progress verb, and explode's size check is
// reported as a warning.
#include "engine/options.h"
#include "tests/engine_extract/extract_fixture.h"
#include "tests/support/implode_encoder.h"
#include "tests/support/reduce_encoder.h"
#include "tests/support/shrink_encoder.h"

namespace {

TEST_F(ExtractTest, EveryMethodExtractsByteExact)
{
    const std::string data = sample_data(30000, 7);
    const uint16_t implode_8k = implode_flags(true, true);
    ZipArchive zip;
    zip.add("stored.txt", data);
    zip.add_raw("shrunk.txt", 1, shrink(data).compressed, data);
    for (int factor = 1; factor <= 4; ++factor)
        zip.add_raw("reduced" + std::to_string(factor) + ".txt", static_cast<uint16_t>(1 + factor),
                    reduce(data, factor).compressed, data);
    zip.add_raw("imploded.txt", 6, implode(data, implode_8k), data).flags = implode_8k;
    zip.add_deflated("deflated.txt", data);
    std::string archive = write_archive(zip);

    EngineRun run = run_engine({archive, "-d", dir_});
    EXPECT_EQ(run.result, RC_OK) << run.err;
    for (const ZipEntry& entry : zip.entries)
        EXPECT_EQ(read_bytes(path(entry.name)), data) << entry.name;
    struct Verb { const char* name; const char* verb; };
    const Verb verbs[] = {
        {"stored.txt", " extracting: "}, {"shrunk.txt", "unshrinking: "}, {"reduced3.txt", " unreducing: "},
        {"imploded.txt", "  exploding: "}, {"deflated.txt", "  inflating: "},
    };
    for (const Verb& v : verbs)
        EXPECT_NE(run.out.find(v.verb + path(v.name) + "  \n"), std::string::npos) << v.name << "\n" << run.out;
}

TEST_F(ExtractTest, ExplodeReportsCompressedBytesLeftOver)
{
    const std::string data = sample_data(5000, 3);
    const uint16_t flags = implode_flags(false, false);
    std::string packed = implode(data, flags);
    ZipArchive zip;
    zip.add_raw("imploded.txt", 6, packed + std::string(10, '\0'), data).flags = flags;
    std::string archive = write_archive(zip);

    EngineRun run = run_engine({"-qq", archive, "-d", dir_});
    EXPECT_EQ(run.result, RC_WARN) << run.err;
    EXPECT_NE(run.err.find("  warning:  " + std::to_string(packed.size()) + " bytes required to uncompress to " +
                           std::to_string(data.size()) + " bytes;\n" +
                           std::string(12, ' ') + "supposed to require " +
                           std::to_string(packed.size() + 10) + " bytes [" + path("imploded.txt") + "]\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(read_bytes(path("imploded.txt")), data);
}

}  // namespace
