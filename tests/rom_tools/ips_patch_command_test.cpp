#include "rom/tools/ips_patch_command.h"

#include "tests/rom_tools/tool_fixture.h"
#include "tests/rom_tools/zip_fixture.h"

namespace zorvex::test {
namespace {

class IpsPatchCommandTest : public RomToolTest {
  protected:
    IpsPatchCommandTest() : image(RomBuilder(0x8000).Build()) { source = Put("game.gb", image); }

    static std::vector<uint8_t> Bytes(const std::string& text) {
        return std::vector<uint8_t>(text.begin(), text.end());
    }
    // "PATCH", one record writing "HI" at 0x150, "EOF".
    static std::vector<uint8_t> GoodPatch() {
        auto p = Bytes("PATCH");
        p.insert(p.end(), {0x00, 0x01, 0x50, 0x00, 0x02, 'H', 'I'});
        auto end = Bytes("EOF");
        p.insert(p.end(), end.begin(), end.end());
        return p;
    }
    std::vector<uint8_t> Patched() const {
        auto out = image;
        out[0x150] = 'H';
        out[0x151] = 'I';
        return out;
    }

    std::vector<uint8_t> image;
    std::string source;
};

TEST_F(IpsPatchCommandTest, AsksForSourcePatchAndResult) {
    requester.Answer(source);
    requester.Answer(Put("fix.ips", GoodPatch()));
    requester.Answer(dir / "patched.gb");
    ASSERT_TRUE(IpsPatchCommand(context));
    EXPECT_EQ(ReadFile(dir / "patched.gb"), Patched());
    EXPECT_EQ(ReadFile(source), image);
    EXPECT_TRUE(sink.messages.empty());

    ASSERT_EQ(requester.asked.size(), 3u);
    EXPECT_EQ(requester.asked[0].title, "Select Source File");
    EXPECT_EQ(requester.asked[0].filter, "All Files (*.*)|*.*||");
    EXPECT_TRUE(requester.asked[0].mustExist);
    EXPECT_EQ(requester.asked[1].title, "Select IPS File");
    EXPECT_EQ(requester.asked[1].filter, "IPS Files (*.ips)|*.ips|All Files (*.*)|*.*||");
    EXPECT_EQ(requester.asked[1].kind, FileRequest::Kind::Open);
    EXPECT_TRUE(requester.asked[1].mustExist);
    EXPECT_EQ(requester.asked[2].title, "Select Destination File");
    EXPECT_EQ(requester.asked[2].filter, "All Files (*.*)|*.*||");
    EXPECT_EQ(requester.asked[2].kind, FileRequest::Kind::Save);
    EXPECT_FALSE(requester.asked[2].mustExist);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(starts, 1);
}

TEST_F(IpsPatchCommandTest, UnreadableOrForeignPatchAsksAgain) {
    std::string empty = Put("empty.ips", {});
    std::string notIps = Put("short.ips", Bytes("PAT"));
    requester.Answer(source);
    requester.Answer(empty);
    requester.Answer(dir / "gone.ips");
    requester.Answer(notIps);
    requester.Answer(Put("good.ips", GoodPatch()));
    requester.Answer(source);  // the result replaces the source
    ASSERT_TRUE(IpsPatchCommand(context));
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"Can't alloc Memory for " + empty,
                                                      "Can't open " + dir / "gone.ips",
                                                      notIps + " is no IPS File"}));
    for (auto& m : sink.messages) EXPECT_EQ(m.second, "Error");
    EXPECT_EQ(ReadFile(source), Patched());
}

TEST_F(IpsPatchCommandTest, CancelledPatchRequesterWritesNothing) {
    requester.Answer(source);
    requester.Answer(Put("x.ips", Bytes("IPS?!")));
    requester.Cancel();
    EXPECT_FALSE(IpsPatchCommand(context));
    EXPECT_EQ(requester.asked.size(), 3u);
    EXPECT_EQ(sink.Texts(), std::vector<std::string>{dir / "x.ips" + " is no IPS File"});
    EXPECT_EQ(starts, 1);
}

TEST_F(IpsPatchCommandTest, BrokenPatchesEndTheCommandWithoutAResult) {
    struct Case {
        std::vector<uint8_t> patch;
        const char* message;
    };
    auto truncated = GoodPatch();
    truncated.resize(truncated.size() - 3);  // the record is fine, "EOF" is missing
    truncated.insert(truncated.end(), {0x00, 0x02, 0x00, 0x00, 0x05, 'A'});
    auto outOfRange = Bytes("PATCH");
    outOfRange.insert(outOfRange.end(), {0x00, 0x7F, 0xFF, 0x00, 0x02, 1, 2, 'E', 'O', 'F'});
    const Case cases[] = {{Bytes("PATCH"), "Error in IPS File"},
                          {truncated, "Error in IPS File"},
                          {outOfRange, "Offset is out of Range in IPS File"}};
    for (const Case& c : cases) {
        requester.asked.clear();
        sink.messages.clear();
        requester.Answer(source);
        requester.Answer(Put("bad.ips", c.patch));
        requester.Answer(dir / "result.gb");
        EXPECT_FALSE(IpsPatchCommand(context));
        EXPECT_EQ(sink.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(requester.asked.size(), 2u) << "no result requester after a broken patch";
        requester.answers.clear();
        EXPECT_FALSE(Exists(dir / "result.gb"));
    }
}

TEST_F(IpsPatchCommandTest, PatchWithOnlyTheEndMarkerWritesAnUnchangedCopy) {
    auto patch = Bytes("PATCHEOF");
    patch.insert(patch.end(), {0x00, 0x90, 0x00});  // a size field of other IPS variants
    ASSERT_TRUE(IpsPatchFile(source, Put("noop.ips", patch), dir / "copy.gb", sink));
    EXPECT_EQ(ReadFile(dir / "copy.gb"), image);
}

TEST_F(IpsPatchCommandTest, ResultThatCannotBeWrittenAsksAgain) {
    requester.Answer(source);
    requester.Answer(Put("good.ips", GoodPatch()));
    std::string nowhere = dir / "missing/dir/out.gb";
    requester.Answer(nowhere);
    requester.Answer(source);  // this write fails
    requester.Answer(source);  // and this one works
    requester.beforeAnswer = [](size_t asked) {
        if (asked == 4) FileFaults::FailWritesAfter(100);
        if (asked == 5) FileFaults::Reset();
    };
    ASSERT_TRUE(IpsPatchCommand(context));
    auto texts = sink.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Can't create " + nowhere);
    EXPECT_EQ(texts[2], "Error Writing File " + source);
    EXPECT_EQ(requester.asked.size(), 5u);
    EXPECT_EQ(ReadFile(source), Patched());
}

TEST_F(IpsPatchCommandTest, SourceInsideAZipArchiveGivesThePlainPatchedImage) {
    WriteZipArchive(dir / "game.zip", {{"game.gb", image}});
    ASSERT_TRUE(IpsPatchFile(dir / "game.zip", Put("good.ips", GoodPatch()), dir / "out.gb", sink));
    EXPECT_EQ(ReadFile(dir / "out.gb"), Patched());
}

}  // namespace
}  // namespace zorvex::test
