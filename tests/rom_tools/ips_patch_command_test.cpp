#include "rom/tools/ips_patch_command.h"

#include "tests/rom_tools/tool_fixture.h"

namespace zorvex::test {
namespace {

class IpsPatchCommandTest : public RomToolTest {
  protected:
    static std::vector<uint8_t> Text(const std::string& text) { return {text.begin(), text.end()}; }
    // One record writing "HI" at 0x150.
    static std::vector<uint8_t> GoodPatch() {
        return Text(std::string("PATCH\0\1\x50\0\2HIEOF", 15));
    }
    std::vector<uint8_t> Patched() const {
        auto out = image;
        out[0x150] = 'H';
        out[0x151] = 'I';
        return out;
    }
    const std::vector<uint8_t> image = RomBuilder(0x8000).Build();
    const std::string source = Put("game.gb", image);
};

TEST_F(IpsPatchCommandTest, PatchAndResultRequestersAskAgainUntilSomethingWorks) {
    std::string empty = Put("empty.ips", {});
    std::string notIps = Put("short.ips", Text("PAT"));
    std::string nowhere = dir / "missing/dir/out.gb";
    for (const std::string& answer : {source, empty, dir / "gone.ips", notIps,
                                      Put("good.ips", GoodPatch()), nowhere, source, source})
        requester.Answer(answer);
    // The second write over the source fails, the third works.
    requester.beforeAnswer = [](size_t asked) {
        if (asked == 7) FileFaults::FailWritesAfter(100);
        if (asked == 8) FileFaults::Reset();
    };
    ASSERT_TRUE(IpsPatchCommand(context));
    EXPECT_EQ(ReadFile(source), Patched());
    auto texts = sink.Texts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[0], "Can't alloc Memory for " + empty);
    EXPECT_EQ(texts[1], "Can't open " + dir / "gone.ips");
    EXPECT_EQ(texts[2], notIps + " is no IPS File");
    EXPECT_EQ(texts[3], "Can't create " + nowhere);
    EXPECT_EQ(texts[5], "Error Writing File " + source);

    ExpectRequest(0, FileRequest::Kind::Open, "Select Source File", "All Files (*.*)|*.*||");
    ExpectRequest(1, FileRequest::Kind::Open, "Select IPS File",
                  "IPS Files (*.ips)|*.ips|All Files (*.*)|*.*||");
    ExpectRequest(5, FileRequest::Kind::Save, "Select Destination File", "All Files (*.*)|*.*||");
}

TEST_F(IpsPatchCommandTest, BrokenPatchEndsTheCommandWithoutAResult) {
    auto outOfRange = Text(std::string("PATCH\0\x7F\xFF\0\2\1\2EOF", 15));
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {Text("PATCH"), "Error in IPS File"},
        {Text(std::string("PATCH\0\1\x50\0\2HI\0\2\0\0\5A", 18)), "Error in IPS File"},
        {outOfRange, "Offset is out of Range in IPS File"}};
    for (const auto& [patch, message] : cases) {
        requester.asked.clear();
        sink.messages.clear();
        for (const std::string& answer : {source, Put("bad.ips", patch), dir / "result.gb"})
            requester.Answer(answer);
        EXPECT_FALSE(IpsPatchCommand(context));
        EXPECT_EQ(sink.Texts(), std::vector<std::string>{message});
        EXPECT_EQ(requester.asked.size(), 2u) << "no result requester after a broken patch";
        requester.answers.clear();
        EXPECT_FALSE(Exists(dir / "result.gb"));
    }
}

TEST_F(IpsPatchCommandTest, ZippedSourceAndAnEmptyPatchGiveThePlainImage) {
    WriteZipArchive(dir / "game.zip", {{"game.gb", image}});
    ASSERT_TRUE(
        IpsPatchFile(dir / "game.zip", Put("noop.ips", Text("PATCHEOF")), dir / "o.gb", sink));
    EXPECT_EQ(ReadFile(dir / "o.gb"), image);
}

}  // namespace
}  // namespace zorvex::test
