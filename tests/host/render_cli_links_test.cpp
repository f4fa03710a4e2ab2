// Links the renderer follows to the file it replaces: in a sticky folder
// anyone may write to (/tmp), another user's link is refused with one line
// and its target left as it was, as the kernel's protected_symlinks rule
// would; the user's own links, the folder owner's and links in other folders
// are followed. Making links of another user takes root (lchown).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/host/support/RenderRun.h"
#include "tests/host/support/SmfBytes.h"

namespace {

using render_run::runRender;
using render_run::ScratchFolder;
namespace fs = std::filesystem;

constexpr uid_t kOtherUser = 4242;
const std::vector<uint8_t> kOld = {'o', 'l', 'd'};

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool makeFolder(const std::string& path, mode_t mode, uid_t owner) {
    return ::mkdir(path.c_str(), 0700) == 0 && ::chown(path.c_str(), owner, owner) == 0 &&
           ::chmod(path.c_str(), mode) == 0;
}

bool makeLink(const std::string& target, const std::string& link, uid_t owner) {
    return ::symlink(target.c_str(), link.c_str()) == 0 && ::lchown(link.c_str(), owner, owner) == 0;
}

TEST(RenderCliLinks, AnotherUsersLinkInASharedStickyFolderIsRefused) {
    ScratchFolder root;
    ASSERT_TRUE(root.ok());
    if (!makeLink("x", root.file("probe"), kOtherUser)) GTEST_SKIP() << "links of another user need root here";
    smf_bytes::Body body;
    body.event(0, {0x90, 60, 100}).event(24, {0x80, 60, 0}).end();
    ASSERT_TRUE(render_run::writeFile(root.file("notes.mid"), smf_bytes::file(0, 96, {body.bytes})));
    const uid_t me = ::geteuid();
    ASSERT_TRUE(makeFolder(root.file("targets"), 0755, me));
    ASSERT_TRUE(makeFolder(root.file("shared"), 01777, me));          // as /tmp
    ASSERT_TRUE(makeFolder(root.file("open"), 0777, me));             // world-writable, not sticky
    ASSERT_TRUE(makeFolder(root.file("theirs"), 01777, kOtherUser));  // shared, owned by the other user
    struct Case {
        const char* folder;   // "open/shared": my link in "open" leading to one in "shared"
        uid_t linkOwner;
        bool followed;
    };
    const std::vector<Case> cases = {
        {"shared", kOtherUser, false}, {"shared", me, true},       {"open", kOtherUser, true},
        {"theirs", kOtherUser, true},  {"open/shared", kOtherUser, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        for (const std::string option : {"--out", "--save-fxp", "--editor-shot"}) {
            SCOPED_TRACE(c.folder + (" " + option));
            const std::string name = std::to_string(++n), target = root.file("targets/" + name);
            const bool chain = std::string(c.folder) == "open/shared";
            const std::string link = root.file((chain ? "shared/" : c.folder + std::string("/")) + name);
            const std::string named = chain ? root.file("open/" + name) : link;
            ASSERT_TRUE(render_run::writeFile(target, kOld));
            ASSERT_TRUE(makeLink(target, link, c.linkOwner));
            ASSERT_TRUE(!chain || makeLink(link, named, me));
            std::vector<std::string> args = {option, named};
            if (option == "--out") args.insert(args.end(), {KELVANTI_IMPULSE_PLUGIN, "--midi", root.file("notes.mid")});
            const auto result = runRender(args);
            EXPECT_TRUE(fs::is_symlink(link));
            EXPECT_EQ(result.exitCode, c.followed ? 0 : 1) << result.err;
            EXPECT_EQ(bytesOf(target) == kOld, !c.followed);
            if (c.followed) continue;
            EXPECT_EQ(render_run::lineCount(result.err), 1) << result.err;
            EXPECT_NE(result.err.find("not following the link " + link + ": it belongs to another user (uid 4242) "
                                      "in the shared folder " + root.file("shared")),
                      std::string::npos)
                << result.err;
        }
    }
    for (const char* folder : {"targets", "shared", "open", "theirs"})
        for (const auto& entry : fs::directory_iterator(root.file(folder)))
            EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

} // namespace
