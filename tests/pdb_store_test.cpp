// The persistent segment store: transfer kinds, pointers and ownership, defences against bad
// files, and the atomic replacement of archive files.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <tuple>
#include <utility>

#include "pdb/pdb.h"
#include "test_support.h"

namespace {

template <class T> PDB_VIRTUAL_OBJECT* make() { return new T(); }

// A persistent test class using every transfer kind. Counts live objects to catch leaks.
class TEST_NODE : public PDB_VIRTUAL_OBJECT {
public:
    enum KIND : int { KIND_A, KIND_B, KIND_C };
    TEST_NODE() { ++s_live; }
    ~TEST_NODE() override
    {
        for (TEST_NODE* child : children)
            delete child;
        for (TEST_NODE* item : owned_items)
            delete item;
        delete extra;
        --s_live;
    }
    PDB_DECLARE_PERSISTENT(TEST_NODE)

    static inline int s_live = 0;
    static inline int s_disowned = 0;

    std::int32_t i32 = 0;
    std::string text;
    // One field of every other plain kind.
    std::tuple<bool, std::uint32_t, std::int64_t, std::uint64_t, float, double, std::optional<std::string>,
               std::vector<std::byte>, std::vector<std::string>, std::vector<std::vector<int>>>
        plain;
    bool bits[5] = {};
    std::uint32_t color = 0;
    KIND kind = KIND_A;
    std::list<TEST_NODE*> children;
    std::vector<TEST_NODE*> owned_items; // null allowed
    TEST_NODE* extra = nullptr;
    TEST_NODE* ref = nullptr;
    std::vector<TEST_NODE*> refs;
    bool committed = false;
};

PDB_CLASS_THUNK<TEST_NODE> TEST_NODE::s_thunk(
    "TEST_NODE", nullptr, &make<TEST_NODE>, [](PDB_VIRTUAL_OBJECT*) { ++s_disowned; },
    // A negative i32 breaks the class's invariant.
    [](const PDB_VIRTUAL_OBJECT* object) { return static_cast<const TEST_NODE*>(object)->i32 >= 0; });

void TEST_NODE::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    segment.trace(__LINE__, "fields");
    segment.transfer(i32);
    segment.transfer(text);
    std::apply([&](auto&... field) { (segment.transfer(field), ...); }, plain);
    for (bool& bit : bits)
        segment.transfer_bit(bit);
    segment.transfer_bits(color, 8);
    segment.transfer_enum(kind, KIND_A, KIND_C);
    segment.transfer_owned(children, false);
    segment.transfer_owned(owned_items, true);
    segment.transfer_owned(extra);
    segment.transfer_ptr(ref);
    segment.transfer_ptr(refs);
    if (segment.is_reading()) segment.defer_commit([this] { committed = true; });
    segment.end_class();
}

class TEST_LEAF : public TEST_NODE {
public:
    PDB_DECLARE_PERSISTENT(TEST_LEAF)
    std::int32_t leaf_value = 0;
};

PDB_CLASS_THUNK<TEST_LEAF> TEST_LEAF::s_thunk("TEST_LEAF", TEST_NODE::pdb_thunk(), &make<TEST_LEAF>);

void TEST_LEAF::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    TEST_NODE::serialize(segment);
    segment.transfer(leaf_value);
    segment.end_class();
}

// Two holders of one owned pointer that differ only in the pointer's class (and one name letter).
template <class T> class TEST_HOLDER : public PDB_VIRTUAL_OBJECT {
public:
    ~TEST_HOLDER() override { delete held; }
    PDB_DECLARE_PERSISTENT(TEST_HOLDER)
    T* held = nullptr;
};
using TEST_HOLDER_NODE = TEST_HOLDER<TEST_NODE>;
using TEST_HOLDER_LEAF = TEST_HOLDER<TEST_LEAF>;
template <>
PDB_CLASS_THUNK<TEST_HOLDER_NODE> TEST_HOLDER_NODE::s_thunk("TEST_HOLDER_N", nullptr, &make<TEST_HOLDER_NODE>);
template <>
PDB_CLASS_THUNK<TEST_HOLDER_LEAF> TEST_HOLDER_LEAF::s_thunk("TEST_HOLDER_L", nullptr, &make<TEST_HOLDER_LEAF>);
template <class T> void TEST_HOLDER<T>::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    segment.transfer_owned(held);
    segment.end_class();
}

// Derives from a persistent class without a class record of its own.
class TEST_UNRECORDED : public TEST_NODE {};

std::string encode(const PDB_VIRTUAL_OBJECT& root)
{
    std::string image;
    std::string error;
    EXPECT_TRUE(PDB_ARCHIVE::encode(root, image, &error)) << error;
    return image;
}

// Decodes an image that is expected to be refused, and answers the reason.
std::string refusal(std::string image, bool reseal = true)
{
    if (reseal) PDB_ARCHIVE::reseal(image);
    std::string error;
    EXPECT_FALSE(PDB_ARCHIVE::decode(image, &error));
    return error;
}

// A small tree: every plain kind set at the root, two children (one a leaf), an owned extra, a null
// slot, and references back to earlier objects.
std::unique_ptr<TEST_NODE> make_tree()
{
    auto root = std::make_unique<TEST_NODE>();
    root->i32 = 7;
    root->text = std::string("zero\0byte", 9);
    root->plain = std::make_tuple(true, 0xFFFFFFF0u, -1234567890123LL, 0x8000000000000001ULL, 1.5f, -2.25e300,
                                  std::string(), std::vector<std::byte>{std::byte{1}, std::byte{0xff}},
                                  std::vector<std::string>{"a", "", "long word"},
                                  std::vector<std::vector<int>>{{1, -2}, {}, {3}});
    root->bits[0] = root->bits[3] = true;
    root->color = 73;
    root->kind = TEST_NODE::KIND_C;
    auto* leaf = new TEST_LEAF();
    leaf->leaf_value = 99;
    root->children = {new TEST_NODE(), leaf};
    root->owned_items = {nullptr, new TEST_NODE()};
    root->extra = new TEST_NODE();
    leaf->ref = root.get();
    root->extra->ref = leaf;
    root->extra->refs = {root->children.front(), nullptr, root.get()};
    return root;
}

// A folder of its own for one test, and the sorted names of its files.
class PdbArchive : public ::testing::Test {
protected:
    PdbArchive() : m_dir(::mkdtemp(m_pattern)), m_path(m_dir + "/tree.seg") {}
    ~PdbArchive() override { std::filesystem::remove_all(m_dir); }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    char m_pattern[32] = "/tmp/pdb_test_XXXXXX";
    std::string m_dir;
    std::string m_path;
};

PDB_WRITE_STEP g_failing_step;
bool fail_at_step(PDB_WRITE_STEP step) { return step == g_failing_step; }
int g_write_calls = 0;
// Kills the writing process in the middle of its second chunk of data.
bool die_mid_write(PDB_WRITE_STEP step)
{
    if (step == PDB_WRITE_STEP::WRITE && ++g_write_calls == 2) ::_exit(3);
    return false;
}

} // namespace

TEST(PdbStore, RoundTripKeepsEveryKindPointersAndSharing)
{
    std::unique_ptr<TEST_NODE> original = make_tree();
    const std::string image = encode(*original);
    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = PDB_ARCHIVE::decode(image, nullptr);
    auto* copy = dynamic_cast<TEST_NODE*>(root.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::tie(copy->i32, copy->text, copy->plain), std::tie(original->i32, original->text, original->plain));
    EXPECT_TRUE(std::equal(copy->bits, copy->bits + 5, original->bits));
    EXPECT_EQ(std::make_pair(copy->color, copy->kind), std::make_pair(73u, TEST_NODE::KIND_C));
    EXPECT_TRUE(copy->committed);
    ASSERT_EQ(copy->children.size(), 2u);
    TEST_NODE* child = copy->children.front();
    auto* leaf = dynamic_cast<TEST_LEAF*>(copy->children.back());
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(child->plain, decltype(child->plain)()); // an absent text stays absent, not empty
    EXPECT_EQ(leaf->leaf_value, 99);
    ASSERT_EQ(copy->owned_items.size(), 2u);
    EXPECT_EQ(copy->owned_items[0], nullptr);
    // References name the very objects read elsewhere in the segment.
    EXPECT_EQ(leaf->ref, copy);
    ASSERT_NE(copy->extra, nullptr);
    EXPECT_EQ(copy->extra->ref, leaf);
    EXPECT_EQ(copy->extra->refs, (std::vector<TEST_NODE*>{child, nullptr, copy}));
    EXPECT_EQ(encode(*copy), image);

    // Bit fields share bytes low bit first: bits 1 and 4, then 0xAB from bit 5 on.
    TEST_NODE node;
    node.bits[1] = node.bits[4] = true;
    node.color = 0xAB;
    EXPECT_NE(encode(node).find(std::string("\x72\x15", 2)), std::string::npos);
}

TEST(PdbStore, WritingRefusesWhatCouldNotBeReadBack)
{
    std::string image;
    std::string error;
    TEST_NODE twice;
    twice.children = {new TEST_NODE()};
    twice.extra = twice.children.front();
    EXPECT_FALSE(PDB_ARCHIVE::encode(twice, image, &error));
    EXPECT_NE(error.find("two owners"), std::string::npos) << error;
    twice.extra = nullptr;
    // A class without a record of its own would come back as its base class.
    EXPECT_FALSE(PDB_ARCHIVE::encode(TEST_UNRECORDED(), image, &error));
    EXPECT_NE(error.find("no class record"), std::string::npos) << error;
    TEST_NODE deep;
    TEST_NODE* tip = &deep;
    for (int i = 0; i < PDB_MAX_NESTING + 1; ++i)
        tip = tip->extra = new TEST_NODE();
    EXPECT_FALSE(PDB_ARCHIVE::encode(deep, image, &error));
    EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;

    // A reference to an object outside the written tree is stored as null.
    TEST_NODE outside;
    TEST_NODE root;
    root.ref = &outside;
    std::unique_ptr<PDB_VIRTUAL_OBJECT> copy = PDB_ARCHIVE::decode(encode(root), nullptr);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(static_cast<TEST_NODE&>(*copy).ref, nullptr);
}

TEST(PdbStore, ReadingChecksHeaderClassesPointersAndInvariants)
{
    TEST_HOLDER_NODE holder;
    holder.held = new TEST_NODE();
    const std::string held = encode(holder);
    TEST_NODE negative;
    negative.i32 = -1;
    negative.children = {new TEST_NODE()};
    TEST_NODE self;
    self.ref = &self;
    const int live = TEST_NODE::s_live;

    const std::string image = encode(*make_tree());
    EXPECT_EQ(image.compare(0, 4, "\x89PDB"), 0);
    std::string bad = image;
    bad[1] = 'Q';
    EXPECT_NE(refusal(bad, false).find("magic"), std::string::npos);
    bad = image;
    bad[PDB_HEADER_SIZE + 3] ^= 0x01; // payload changed, checksum not
    EXPECT_EQ(refusal(bad, false), "archive checksum mismatch");
    bad = image;
    bad[8] = 2; // a later format version
    EXPECT_EQ(refusal(bad), "unsupported archive format version 2");
    EXPECT_NE(refusal(image.substr(0, image.size() - 1), false).find("truncated"), std::string::npos);
    EXPECT_EQ(pdb_crc32("123456789"), 0xCBF43926u);

    // An owned object of the wrong class for its pointer: a TEST_NODE where a TEST_LEAF belongs.
    bad = held;
    bad[bad.find("TEST_HOLDER_N") + 12] = 'L';
    EXPECT_NE(refusal(bad).find("where"), std::string::npos);
    bad = held;
    bad[bad.find("TEST_NODE") + 5] = 'X';
    EXPECT_NE(refusal(bad).find("unknown class \"TEST_XODE\""), std::string::npos);
    EXPECT_NE(refusal(held + "x").find("after the root"), std::string::npos);
    EXPECT_NE(refusal(encode(negative)).find("breaks the invariants of TEST_NODE"), std::string::npos);
    // A reference to an object not read yet (the root naming id 5 of 1).
    bad = encode(self);
    bad[bad.rfind(std::string("\x01\x00\x00\x00", 4))] = 5;
    EXPECT_NE(refusal(bad).find("not read before"), std::string::npos);
    EXPECT_EQ(TEST_NODE::s_live, live);
}

// Every cut of the file and a few hundred byte flips (with the checksums made to match, so the
// reader itself is tested): a bad image gives no object, no crash and no leak.
TEST(PdbStore, CorruptImagesGiveNothingAndLeakNothing)
{
    const std::string image = encode(*make_tree());
    const int live = TEST_NODE::s_live;
    const int disowned = TEST_NODE::s_disowned;
    for (std::size_t size = 0; size < image.size(); ++size) {
        std::string cut = image.substr(0, size);
        EXPECT_FALSE(PDB_ARCHIVE::decode(cut, nullptr)) << size;
        PDB_ARCHIVE::reseal(cut);
        EXPECT_FALSE(PDB_ARCHIVE::decode(cut, nullptr)) << size;
    }
    std::mt19937 random(12345);
    int loaded = 0;
    for (int round = 0; round < 400; ++round) {
        std::string flipped = image;
        for (int i = 0, flips = 1 + static_cast<int>(random() % 3); i < flips; ++i) {
            std::size_t at = PDB_HEADER_SIZE + random() % (image.size() - PDB_HEADER_SIZE);
            flipped[at] = static_cast<char>(flipped[at] ^ static_cast<char>(1 + random() % 255));
        }
        PDB_ARCHIVE::reseal(flipped);
        if (PDB_ARCHIVE::decode(flipped, nullptr)) ++loaded; // a flip in a plain value still reads
    }
    EXPECT_EQ(TEST_NODE::s_live, live);
    EXPECT_LT(loaded, 400);
    // Failed reads disowned what they had created before destroying it.
    EXPECT_GT(TEST_NODE::s_disowned, disowned);
}

// A payload handed out a few bytes at a time, as a slow file would be.
class TRICKLE_SOURCE : public PDB_SEGMENT::SOURCE {
public:
    TRICKLE_SOURCE(std::string_view bytes, std::size_t piece) : m_bytes(bytes), m_piece(piece) {}
    std::size_t read(char* data, std::size_t size) override
    {
        const std::size_t count = std::min({size, m_piece, m_bytes.size()});
        std::copy_n(m_bytes.data(), count, data);
        m_bytes.remove_prefix(count);
        return count;
    }

private:
    std::string_view m_bytes;
    std::size_t m_piece;
};

// Windows smaller than a class name or a text, refilled in odd pieces, give the very objects a
// payload in memory gives; a source that ends early gives nothing and leaks nothing.
TEST(PdbStore, ReadingThroughAWindowGivesTheSameObjects)
{
    std::unique_ptr<TEST_NODE> tree = make_tree();
    tree->children.front()->text = "a text longer than the smallest windows";
    const std::string image = encode(*tree);
    const std::string_view payload = std::string_view(image).substr(PDB_HEADER_SIZE);
    const int live = TEST_NODE::s_live;
    for (std::size_t window : {1, 8, 13, 4096})
        for (std::size_t piece : {1, 3, 4096}) {
            SCOPED_TRACE(std::to_string(window) + "/" + std::to_string(piece));
            TRICKLE_SOURCE source(payload, piece);
            PDB_SEGMENT segment(source, payload.size(), window);
            std::unique_ptr<PDB_VIRTUAL_OBJECT> copy = segment.read_root();
            ASSERT_TRUE(copy);
            EXPECT_EQ(encode(*copy), image);

            TRICKLE_SOURCE short_source(payload.substr(0, payload.size() - 5), piece);
            PDB_SEGMENT short_segment(short_source, payload.size(), window);
            try {
                short_segment.read_root();
                ADD_FAILURE() << "a source that ends early was read";
            } catch (const PDB_TRANSFER_ERROR& e) {
                EXPECT_NE(std::string(e.what()).find("unexpected end of data"), std::string::npos) << e.what();
            }
        }
    EXPECT_EQ(TEST_NODE::s_live, live);
}

TEST(PdbStore, DeepNestingInAFileIsRefused)
{
    // Hand-made chains of nodes, each owning the next through "extra". An empty node's fields end
    // with extra (4 bytes), ref (4) and the count of refs (4).
    const std::string image = encode(TEST_NODE());
    const std::string head = image.substr(0, PDB_HEADER_SIZE + 4 + 4 + 9); // header, class 1 "TEST_NODE"
    const std::string fields = image.substr(head.size());
    const std::string before_extra = fields.substr(0, fields.size() - 12);
    const std::string after_extra = fields.substr(fields.size() - 8);
    auto chain = [&](int length) {
        std::string text = head;
        for (int i = 1; i < length; ++i)
            text += before_extra + std::string("\x01\x00\x00\x00", 4);
        text += before_extra + std::string(4, '\0');
        for (int i = 0; i < length; ++i)
            text += after_extra;
        PDB_ARCHIVE::reseal(text);
        return text;
    };
    const int live = TEST_NODE::s_live;
    EXPECT_NE(refusal(chain(PDB_MAX_NESTING + 1), false).find("nested deeper"), std::string::npos);
    EXPECT_EQ(TEST_NODE::s_live, live);
    std::string error;
    EXPECT_TRUE(PDB_ARCHIVE::decode(chain(PDB_MAX_NESTING), &error)) << error;
}

TEST_F(PdbArchive, FailedWriteLeavesOldFileIntactAndNoTempFile)
{
    std::unique_ptr<TEST_NODE> tree = make_tree();
    PDB_ARCHIVE archive(m_path);
    ASSERT_TRUE(archive.write_root(*tree)) << archive.last_error();
    const std::string old_bytes = read_file(m_path);
    tree->text = "second version";
    for (PDB_WRITE_STEP step : {PDB_WRITE_STEP::OPEN, PDB_WRITE_STEP::WRITE, PDB_WRITE_STEP::SYNC,
                                PDB_WRITE_STEP::CLOSE, PDB_WRITE_STEP::RENAME}) {
        SCOPED_TRACE(static_cast<int>(step));
        g_failing_step = step;
        pdb_set_write_fault_hook(&fail_at_step);
        EXPECT_FALSE(archive.write_root(*tree));
        pdb_set_write_fault_hook(nullptr);
        EXPECT_FALSE(archive.last_error().empty());
        EXPECT_EQ(read_file(m_path), old_bytes);
        EXPECT_EQ(files(), std::vector<std::string>{"tree.seg"});
    }
    // A folder sync failure comes after the rename: the new file is in place, but the caller hears
    // that durability is not assured.
    g_failing_step = PDB_WRITE_STEP::SYNC_DIRECTORY;
    pdb_set_write_fault_hook(&fail_at_step);
    EXPECT_FALSE(archive.write_root(*tree));
    pdb_set_write_fault_hook(nullptr);
    EXPECT_EQ(files(), std::vector<std::string>{"tree.seg"});
    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = archive.read_root();
    ASSERT_TRUE(root);
    EXPECT_EQ(dynamic_cast<TEST_NODE&>(*root).text, "second version");
}

TEST_F(PdbArchive, WriterKilledMidWriteLeavesPreviousVersion)
{
    TEST_NODE small;
    small.text = "previous";
    PDB_ARCHIVE archive(m_path);
    ASSERT_TRUE(archive.write_root(small));
    TEST_NODE big;
    big.text = std::string(3 * 1024 * 1024, 'x'); // several write chunks
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pdb_set_write_fault_hook(&die_mid_write);
        PDB_ARCHIVE(m_path).write_root(big);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3);
    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = archive.read_root();
    ASSERT_TRUE(root) << archive.last_error();
    EXPECT_EQ(dynamic_cast<TEST_NODE&>(*root).text, "previous");
    // The dead writer's partial temporary file is the only other file, and is recognisable as such.
    std::vector<std::string> names = files();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(pdb_is_temp_file_name(names[0]));
    EXPECT_EQ(names[1], "tree.seg");

    // The next write removes what the dead writer left; the temporary file of a live writer stays.
    const std::string live = ".tree.seg.tmp-" + std::to_string(::getpid()) + "-999999";
    std::ofstream(m_dir + "/" + live) << "in progress";
    ASSERT_TRUE(archive.write_root(big)) << archive.last_error();
    EXPECT_EQ(files(), (std::vector<std::string>{live, "tree.seg"}));
    root = archive.read_root();
    ASSERT_TRUE(root) << archive.last_error();
    EXPECT_EQ(dynamic_cast<TEST_NODE&>(*root).text, big.text);
}

// Files are checked as they are read: a damaged payload is named as such even when the damage
// stops the read before the end, and nothing read before the damage is kept.
TEST_F(PdbArchive, DamagedFilesAreRefusedWithTheirReason)
{
    const std::string image = encode(*make_tree());
    auto flipped = [&](std::size_t at, bool reseal) {
        std::string bytes = image;
        bytes[at] ^= 0x20;
        if (reseal) PDB_ARCHIVE::reseal(bytes);
        return bytes;
    };
    const std::size_t class_name = image.find("TEST_NODE");
    const std::size_t last = image.size() - 1;
    const struct {
        std::string bytes;
        const char* reason;
    } cases[] = {
        {flipped(class_name, false), "archive checksum mismatch"}, // the read stops at the class name
        {flipped(last, false), "archive checksum mismatch"}, // found only at the end
        {flipped(class_name, true), "unknown class \"tEST_NODE\""},
        {image.substr(0, last), "truncated"},
        {image.substr(0, PDB_HEADER_SIZE - 1), "shorter than an archive header"},
        {image + "x", "truncated"},
        {[&] {
             std::string bytes = image + "x";
             PDB_ARCHIVE::reseal(bytes);
             return bytes;
         }(),
         "after the root"},
    };
    const int live = TEST_NODE::s_live;
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.reason);
        std::ofstream(m_path, std::ios::binary | std::ios::trunc) << bad.bytes;
        PDB_ARCHIVE archive(m_path);
        EXPECT_FALSE(archive.read_root());
        EXPECT_NE(archive.last_error().find(bad.reason), std::string::npos) << archive.last_error();
        EXPECT_EQ(archive.last_error().rfind(m_path, 0), 0u) << archive.last_error();
    }
    EXPECT_EQ(TEST_NODE::s_live, live);
}
