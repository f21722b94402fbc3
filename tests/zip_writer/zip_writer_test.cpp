#include <gtest/gtest.h>

#include <string>

#include "tests/support/zip_writer.h"

#ifdef QEL_HAVE_ZLIB
#include <zlib.h>
#endif

namespace {

std::string sample_text(size_t size)
{
    std::string s;
    for (size_t i = 0; s.size() < size; ++i)
        s += "line " + std::to_string(i * 7919 % 1000) + " of the sample text\n";
    s.resize(size);
    return s;
}

#ifdef QEL_HAVE_ZLIB
std::string inflate_raw(const std::string& in, size_t expected)
{
    z_stream z{};
    inflateInit2(&z, -15);
    std::string out(expected + 1, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    return rc == Z_STREAM_END ? out : std::string("<inflate failed>");
}

TEST(DeflateRaw, EveryBlockKindRoundTripsThroughZlib)
{
    struct Case { DeflateBlocks blocks; int level; int block_type; };
    const Case cases[] = {
        {DeflateBlocks::Fixed, 6, 1}, {DeflateBlocks::Dynamic, 6, 2}, {DeflateBlocks::Auto, 0, 0},
    };
    for (const std::string& data : {std::string("a"), std::string(""), sample_text(100000)}) {
        for (const Case& c : cases) {
            std::string packed = deflate_raw(data, c.level, c.blocks);
            EXPECT_EQ(inflate_raw(packed, data.size()), data) << data.size();
            EXPECT_EQ(first_block_type(packed), c.block_type) << data.size();
            std::string own = deflate_own(data, c.level, c.blocks);
            EXPECT_EQ(inflate_raw(own, data.size()), data) << data.size();
            EXPECT_EQ(first_block_type(own), c.block_type) << data.size();
        }
    }
}
#endif

TEST(ZipArchive, LayoutAndRecordsMatchTheBytes)
{
    ZipArchive zip;
    zip.prefix = std::string(100, 'P');
    zip.add("a.txt", "hello\n");
    zip.add_deflated("b.bin", sample_text(5000), 9).comment = "entry comment";
    zip.comment = "archive";
    std::string bytes = zip.build();
    ASSERT_EQ(bytes.size(), zip.layout.size);
    EXPECT_EQ(zip.layout.local_offsets[0], 100u);
    EXPECT_EQ(bytes.substr(100, 4), std::string("PK\3\4"));
    EXPECT_EQ(bytes.substr(zip.layout.central_offset, 4), std::string("PK\1\2"));
    EXPECT_EQ(bytes.substr(zip.layout.end_offset, 4), std::string("PK\5\6"));
    EXPECT_EQ(bytes.substr(bytes.size() - 7), "archive");
    // The stored central offset ignores the prefix.
    uint32_t stored = static_cast<uint8_t>(bytes[zip.layout.end_offset + 16]) |
                      static_cast<uint8_t>(bytes[zip.layout.end_offset + 17]) << 8;
    EXPECT_EQ(stored, zip.layout.central_offset - 100);
    EXPECT_EQ(zip_crc32("123456789"), 0xCBF43926u);
}

}  // namespace
