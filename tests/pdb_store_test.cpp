// The persistent segment store: transfer kinds, pointers and ownership, defences against bad
// files, and the atomic replacement of archive files.

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "pdb/pdb.h"
#include "test_support.h"

namespace {

// A persistent test class using every transfer kind. Counts live objects to catch leaks.
class TEST_NODE : public PDB_VIRTUAL_OBJECT {
public:
    enum KIND : int { KIND_A = 0, KIND_B = 1, KIND_C = 2 };
    TEST_NODE() { ++s_live; }
    ~TEST_NODE() override
    {
        for (TEST_NODE* child : children) delete child;
        for (TEST_NODE* item : owned_items) delete item;
        delete extra;
        --s_live;
    }
    PDB_DECLARE_PERSISTENT(TEST_NODE)

    static inline int s_live = 0;
    static inline int s_disowned = 0;

    bool flag = false;
    std::int32_t i32 = 0;
    std::uint32_t u32 = 0;
    std::int64_t i64 = 0;
    std::uint64_t u64 = 0;
    float f = 0;
    double d = 0;
    std::string text;
    std::optional<std::string> maybe;
    std::vector<std::byte> bytes;
    std::vector<unsigned> numbers;
    std::vector<std::string> words;
    std::vector<std::vector<int>> nested;
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
    "TEST_NODE", nullptr, []() -> PDB_VIRTUAL_OBJECT* { return new TEST_NODE(); },
    [](PDB_VIRTUAL_OBJECT*) { ++s_disowned; },
    // A negative i32 breaks the class's invariant.
    [](const PDB_VIRTUAL_OBJECT* object) { return static_cast<const TEST_NODE*>(object)->i32 >= 0; });

void TEST_NODE::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    segment.trace(__LINE__, "flag");
    segment.transfer(flag);
    segment.trace(__LINE__, "i32");
    segment.transfer(i32);
    segment.transfer(u32);
    segment.transfer(i64);
    segment.transfer(u64);
    segment.transfer(f);
    segment.transfer(d);
    segment.transfer(text);
    segment.transfer(maybe);
    segment.transfer(bytes);
    segment.transfer(numbers);
    segment.transfer(words);
    segment.transfer(nested);
    for (bool& bit : bits) segment.transfer_bit(bit);
    segment.transfer_bits(color, 8);
    segment.transfer_enum(kind, KIND_A, KIND_C);
    segment.trace(__LINE__, "children");
    segment.transfer_owned(children, false);
    segment.transfer_owned(owned_items, true);
    segment.transfer_owned(extra);
    segment.trace(__LINE__, "ref");
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

PDB_CLASS_THUNK<TEST_LEAF> TEST_LEAF::s_thunk("TEST_LEAF", TEST_NODE::pdb_thunk(),
                                              []() -> PDB_VIRTUAL_OBJECT* { return new TEST_LEAF(); });

void TEST_LEAF::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    TEST_NODE::serialize(segment);
    segment.transfer(leaf_value);
    segment.end_class();
}

// Two holders of one owned pointer that differ only in the pointer's class.
template <class T>
class TEST_HOLDER : public PDB_VIRTUAL_OBJECT {
public:
    ~TEST_HOLDER() override { delete held; }
    PDB_DECLARE_PERSISTENT(TEST_HOLDER)
    T* held = nullptr;
};
using TEST_HOLDER_NODE = TEST_HOLDER<TEST_NODE>;
using TEST_HOLDER_LEAF = TEST_HOLDER<TEST_LEAF>;
template <> PDB_CLASS_THUNK<TEST_HOLDER_NODE> TEST_HOLDER_NODE::s_thunk(
    "TEST_HOLDER_N", nullptr, []() -> PDB_VIRTUAL_OBJECT* { return new TEST_HOLDER_NODE(); });
template <> PDB_CLASS_THUNK<TEST_HOLDER_LEAF> TEST_HOLDER_LEAF::s_thunk(
    "TEST_HOLDER_L", nullptr, []() -> PDB_VIRTUAL_OBJECT* { return new TEST_HOLDER_LEAF(); });
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

template <class T> std::unique_ptr<T> decode(std::string_view image, std::string* error = nullptr)
{
    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = PDB_ARCHIVE::decode(image, error);
    T* typed = dynamic_cast<T*>(root.get());
    if (typed == nullptr) return nullptr;
    root.release();
    return std::unique_ptr<T>(typed);
}

std::vector<std::byte> bytes_of(const std::string& text)
{
    std::vector<std::byte> bytes;
    for (char c : text) bytes.push_back(static_cast<std::byte>(c));
    return bytes;
}

// A small tree: a root with every plain kind set, two children (one a leaf), an owned extra, null
// slots, and references back to earlier objects.
std::unique_ptr<TEST_NODE> make_tree()
{
    auto root = std::make_unique<TEST_NODE>();
    root->flag = true;
    root->i32 = 7;
    root->u32 = 0xFFFFFFF0u;
    root->i64 = -1234567890123LL;
    root->u64 = 0x8000000000000001ULL;
    root->f = 1.5f;
    root->d = -2.25e300;
    root->text = std::string("zero\0byte", 9);
    root->maybe = std::string();
    root->bytes = bytes_of("\x01\x02\xff");
    root->numbers = {0, 4294967295u, 12};
    root->words = {"a", "", "long word"};
    root->nested = {{1, -2}, {}, {3}};
    root->bits[0] = true;
    root->bits[3] = true;
    root->color = 73;
    root->kind = TEST_NODE::KIND_C;
    auto* child = new TEST_NODE();
    child->text = "child";
    auto* leaf = new TEST_LEAF();
    leaf->text = "leaf";
    leaf->leaf_value = 99;
    root->children = {child, leaf};
    root->owned_items = {nullptr, new TEST_NODE()};
    root->extra = new TEST_NODE();
    leaf->ref = root.get();
    root->extra->ref = leaf;
    root->extra->refs = {child, nullptr, root.get()};
    return root;
}

class TEMP_DIR {
public:
    TEMP_DIR()
    {
        char pattern[] = "/tmp/pdb_test_XXXXXX";
        m_path = ::mkdtemp(pattern);
    }
    ~TEMP_DIR() { std::filesystem::remove_all(m_path); }
    const std::string& path() const { return m_path; }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string m_path;
};

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(PdbStore, RoundTripKeepsEveryKindPointersAndSharing)
{
    std::unique_ptr<TEST_NODE> original = make_tree();
    std::string image = encode(*original);
    std::unique_ptr<TEST_NODE> copy = decode<TEST_NODE>(image);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->flag);
    EXPECT_EQ(copy->i32, 7);
    EXPECT_EQ(copy->u32, 0xFFFFFFF0u);
    EXPECT_EQ(copy->i64, -1234567890123LL);
    EXPECT_EQ(copy->u64, 0x8000000000000001ULL);
    EXPECT_EQ(copy->f, 1.5f);
    EXPECT_EQ(copy->d, -2.25e300);
    EXPECT_EQ(copy->text, std::string("zero\0byte", 9));
    ASSERT_TRUE(copy->maybe.has_value());
    EXPECT_EQ(*copy->maybe, "");
    EXPECT_EQ(copy->bytes, bytes_of("\x01\x02\xff"));
    EXPECT_EQ(copy->numbers, original->numbers);
    EXPECT_EQ(copy->words, original->words);
    EXPECT_EQ(copy->nested, original->nested);
    EXPECT_EQ(std::vector<bool>(copy->bits, copy->bits + 5), std::vector<bool>({true, false, false, true, false}));
    EXPECT_EQ(copy->color, 73u);
    EXPECT_EQ(copy->kind, TEST_NODE::KIND_C);
    EXPECT_TRUE(copy->committed);

    ASSERT_EQ(copy->children.size(), 2u);
    TEST_NODE* child = copy->children.front();
    auto* leaf = dynamic_cast<TEST_LEAF*>(copy->children.back());
    ASSERT_NE(leaf, nullptr);
    EXPECT_EQ(child->text, "child");
    EXPECT_FALSE(child->maybe.has_value());
    EXPECT_EQ(leaf->leaf_value, 99);
    ASSERT_EQ(copy->owned_items.size(), 2u);
    EXPECT_EQ(copy->owned_items[0], nullptr);
    EXPECT_NE(copy->owned_items[1], nullptr);
    // References name the very objects read elsewhere in the segment.
    EXPECT_EQ(leaf->ref, copy.get());
    ASSERT_NE(copy->extra, nullptr);
    EXPECT_EQ(copy->extra->ref, leaf);
    EXPECT_EQ(copy->extra->refs, (std::vector<TEST_NODE*>{child, nullptr, copy.get()}));

    // Writing the copy again gives the same bytes.
    EXPECT_EQ(encode(*copy), image);
}

TEST(PdbStore, BitFieldsShareBytesLowBitFirst)
{
    TEST_NODE node;
    node.bits[1] = true;
    node.bits[4] = true;
    node.color = 0xAB;
    std::string image = encode(node);
    // Bits 1 and 4 of the first byte, then the 8-bit field from bit 5 on: 0x12 | 0xAB << 5.
    const std::string pattern("\x72\x15", 2);
    EXPECT_NE(image.find(pattern), std::string::npos);
    std::unique_ptr<TEST_NODE> copy = decode<TEST_NODE>(image);
    ASSERT_TRUE(copy);
    EXPECT_EQ(std::vector<bool>(copy->bits, copy->bits + 5), std::vector<bool>({false, true, false, false, true}));
    EXPECT_EQ(copy->color, 0xABu);
}

TEST(PdbStore, WritingRefusesWhatCouldNotBeReadBack)
{
    std::string image;
    std::string error;

    // One object owned twice.
    TEST_NODE twice;
    auto* shared = new TEST_NODE();
    twice.children = {shared};
    twice.extra = shared;
    EXPECT_FALSE(PDB_ARCHIVE::encode(twice, image, &error));
    EXPECT_NE(error.find("two owners"), std::string::npos) << error;
    twice.extra = nullptr;

    // A class without a record of its own would come back as its base class.
    TEST_UNRECORDED unrecorded;
    EXPECT_FALSE(PDB_ARCHIVE::encode(unrecorded, image, &error));
    EXPECT_NE(error.find("no class record"), std::string::npos) << error;

    // A chain deeper than the reader accepts.
    TEST_NODE deep;
    TEST_NODE* tip = &deep;
    for (int i = 0; i < PDB_MAX_NESTING + 1; ++i) tip = tip->extra = new TEST_NODE();
    EXPECT_FALSE(PDB_ARCHIVE::encode(deep, image, &error));
    EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;
}

TEST(PdbStore, ReferenceOutsideTheWrittenTreeIsStoredAsNull)
{
    TEST_NODE outside;
    TEST_NODE root;
    root.ref = &outside;
    DEBUG_RECORDER recorder;
    std::unique_ptr<TEST_NODE> copy = decode<TEST_NODE>(encode(root));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->ref, nullptr);
    EXPECT_FALSE(recorder.lines().empty());
}

TEST(PdbStore, ReadingChecksTypesClassesAndInvariants)
{
    std::string error;
    TEST_HOLDER_NODE holder;
    holder.held = new TEST_NODE();
    TEST_NODE negative;
    negative.i32 = -1;
    negative.children = {new TEST_NODE()};
    TEST_NODE self;
    self.ref = &self;
    const int live = TEST_NODE::s_live;

    // An owned object of the wrong class for its pointer: a TEST_NODE where a TEST_LEAF belongs.
    std::string image = encode(holder);
    std::size_t name = image.find("TEST_HOLDER_N");
    ASSERT_NE(name, std::string::npos);
    image[name + 12] = 'L';
    PDB_ARCHIVE::reseal(image);
    EXPECT_FALSE(PDB_ARCHIVE::decode(image, &error));
    EXPECT_NE(error.find("where"), std::string::npos) << error;

    // A class name nobody registered.
    image = encode(holder);
    image[image.find("TEST_NODE") + 5] = 'X';
    PDB_ARCHIVE::reseal(image);
    EXPECT_FALSE(PDB_ARCHIVE::decode(image, &error));
    EXPECT_NE(error.find("unknown class \"TEST_XODE\""), std::string::npos) << error;

    // A class invariant broken in the file: reported with nothing handed out.
    EXPECT_FALSE(PDB_ARCHIVE::decode(encode(negative), &error));
    EXPECT_NE(error.find("breaks the invariants of TEST_NODE"), std::string::npos) << error;

    // A reference to an object not read yet (the root naming id 5 of 1).
    image = encode(self);
    std::size_t ref = image.rfind(std::string("\x01\x00\x00\x00", 4));
    ASSERT_NE(ref, std::string::npos);
    image[ref] = 5;
    PDB_ARCHIVE::reseal(image);
    EXPECT_FALSE(PDB_ARCHIVE::decode(image, &error));
    EXPECT_NE(error.find("not read before"), std::string::npos) << error;

    // Trailing bytes after the root.
    image = encode(holder) + "x";
    PDB_ARCHIVE::reseal(image);
    EXPECT_FALSE(PDB_ARCHIVE::decode(image, &error));
    EXPECT_NE(error.find("after the root"), std::string::npos) << error;

    EXPECT_EQ(TEST_NODE::s_live, live);
}

TEST(PdbStore, HeaderGuardsMagicVersionLengthAndChecksums)
{
    std::unique_ptr<TEST_NODE> tree = make_tree();
    const std::string image = encode(*tree);
    ASSERT_GT(image.size(), PDB_HEADER_SIZE);
    EXPECT_EQ(image.compare(0, 4, "\x89PDB"), 0);
    std::string error;

    std::string bad = image;
    bad[1] = 'Q';
    EXPECT_FALSE(PDB_ARCHIVE::decode(bad, &error));
    EXPECT_NE(error.find("magic"), std::string::npos);

    bad = image;
    bad[PDB_HEADER_SIZE + 3] ^= 0x01; // payload changed, checksum not
    EXPECT_FALSE(PDB_ARCHIVE::decode(bad, &error));
    EXPECT_EQ(error, "archive checksum mismatch");

    bad = image;
    bad[8] = 2; // a later format version, header checksum made to match
    PDB_ARCHIVE::reseal(bad);
    EXPECT_FALSE(PDB_ARCHIVE::decode(bad, &error));
    EXPECT_EQ(error, "unsupported archive format version 2");

    bad = image.substr(0, image.size() - 1);
    EXPECT_FALSE(PDB_ARCHIVE::decode(bad, &error));
    EXPECT_NE(error.find("truncated"), std::string::npos);

    EXPECT_EQ(pdb_crc32("123456789"), 0xCBF43926u);
}

// Every cut of the file and a few hundred byte flips (with the checksums made to match, so the
// reader itself is tested): a bad image gives no object, no crash and no leak.
TEST(PdbStore, CorruptImagesGiveNothingAndLeakNothing)
{
    std::unique_ptr<TEST_NODE> tree = make_tree();
    const std::string image = encode(*tree);
    const int live = TEST_NODE::s_live;
    const int disowned = TEST_NODE::s_disowned;

    for (std::size_t size = 0; size < image.size(); ++size) {
        std::string cut = image.substr(0, size);
        EXPECT_FALSE(PDB_ARCHIVE::decode(cut, nullptr)) << size;
        PDB_ARCHIVE::reseal(cut);
        EXPECT_FALSE(PDB_ARCHIVE::decode(cut, nullptr)) << size;
    }
    EXPECT_EQ(TEST_NODE::s_live, live);

    std::mt19937 random(12345);
    int loaded = 0;
    for (int round = 0; round < 400; ++round) {
        std::string flipped = image;
        int flips = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < flips; ++i) {
            std::size_t at = PDB_HEADER_SIZE + random() % (image.size() - PDB_HEADER_SIZE);
            flipped[at] = static_cast<char>(flipped[at] ^ static_cast<char>(1 + random() % 255));
        }
        PDB_ARCHIVE::reseal(flipped);
        std::unique_ptr<PDB_VIRTUAL_OBJECT> root = PDB_ARCHIVE::decode(flipped, nullptr);
        if (root) ++loaded; // a flip in a plain value still makes a valid file
    }
    EXPECT_EQ(TEST_NODE::s_live, live);
    EXPECT_LT(loaded, 400);
    // Failed reads disowned what they had created before destroying it.
    EXPECT_GT(TEST_NODE::s_disowned, disowned);
}

TEST(PdbStore, DeepNestingInAFileIsRefused)
{
    // A hand-made chain of PDB_MAX_NESTING + 1 nodes, each owning the next through "extra". An empty
    // node's fields end with extra (4 bytes), ref (4) and the count of refs (4).
    TEST_NODE empty;
    const std::string image = encode(empty);
    const std::string head = image.substr(0, PDB_HEADER_SIZE + 4 + 4 + 9); // header, class 1 "TEST_NODE"
    const std::string fields = image.substr(head.size());
    const std::string before_extra = fields.substr(0, fields.size() - 12);
    const std::string after_extra = fields.substr(fields.size() - 8);
    const std::string tag_node("\x01\x00\x00\x00", 4);
    const std::string null_pointer(4, '\0');

    std::string deep = head;
    for (int i = 0; i < PDB_MAX_NESTING; ++i) deep += before_extra + tag_node;
    deep += before_extra + null_pointer;
    for (int i = 0; i <= PDB_MAX_NESTING; ++i) deep += after_extra;
    PDB_ARCHIVE::reseal(deep);

    std::string error;
    const int live = TEST_NODE::s_live;
    EXPECT_FALSE(PDB_ARCHIVE::decode(deep, &error));
    EXPECT_NE(error.find("nested deeper"), std::string::npos) << error;
    EXPECT_EQ(TEST_NODE::s_live, live);

    // One level less is a valid file.
    std::string shallow = head;
    for (int i = 0; i < PDB_MAX_NESTING - 1; ++i) shallow += before_extra + tag_node;
    shallow += before_extra + null_pointer;
    for (int i = 0; i < PDB_MAX_NESTING; ++i) shallow += after_extra;
    PDB_ARCHIVE::reseal(shallow);
    EXPECT_TRUE(PDB_ARCHIVE::decode(shallow, &error)) << error;
}

namespace {

PDB_WRITE_STEP g_failing_step;
bool fail_at_step(PDB_WRITE_STEP step) { return step == g_failing_step; }

struct HOOK_GUARD {
    explicit HOOK_GUARD(PDB_WRITE_FAULT_HOOK hook) { pdb_set_write_fault_hook(hook); }
    ~HOOK_GUARD() { pdb_set_write_fault_hook(nullptr); }
};

} // namespace

TEST(PdbStore, FailedWriteLeavesOldFileIntactAndNoTempFile)
{
    TEMP_DIR dir;
    const std::string path = dir.path() + "/tree.seg";
    std::unique_ptr<TEST_NODE> tree = make_tree();
    PDB_ARCHIVE archive(path);
    ASSERT_TRUE(archive.write_root(*tree)) << archive.last_error();
    const std::string old_bytes = read_file(path);

    tree->text = "second version";
    for (PDB_WRITE_STEP step : {PDB_WRITE_STEP::OPEN, PDB_WRITE_STEP::WRITE, PDB_WRITE_STEP::SYNC,
                                PDB_WRITE_STEP::CLOSE, PDB_WRITE_STEP::RENAME}) {
        g_failing_step = step;
        HOOK_GUARD guard(&fail_at_step);
        EXPECT_FALSE(archive.write_root(*tree)) << static_cast<int>(step);
        EXPECT_FALSE(archive.last_error().empty());
        EXPECT_EQ(read_file(path), old_bytes) << static_cast<int>(step);
        EXPECT_EQ(dir.files(), std::vector<std::string>{"tree.seg"}) << static_cast<int>(step);
    }
    // A folder sync failure comes after the rename: the new file is in place, but the caller hears
    // that durability is not assured.
    g_failing_step = PDB_WRITE_STEP::SYNC_DIRECTORY;
    {
        HOOK_GUARD guard(&fail_at_step);
        EXPECT_FALSE(archive.write_root(*tree));
    }
    EXPECT_EQ(dir.files(), std::vector<std::string>{"tree.seg"});

    ASSERT_TRUE(archive.write_root(*tree));
    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = archive.read_root();
    ASSERT_TRUE(root);
    EXPECT_EQ(dynamic_cast<TEST_NODE&>(*root).text, "second version");

    PDB_ARCHIVE missing(dir.path() + "/none.seg");
    EXPECT_FALSE(missing.read_root());
    EXPECT_NE(missing.last_error().find("cannot open"), std::string::npos);
}

namespace {
int g_write_calls = 0;
// Kills the writing process in the middle of its second chunk of data.
bool die_mid_write(PDB_WRITE_STEP step)
{
    if (step == PDB_WRITE_STEP::WRITE && ++g_write_calls == 2) ::_exit(3);
    return false;
}
} // namespace

TEST(PdbStore, WriterKilledMidWriteLeavesPreviousVersion)
{
    TEMP_DIR dir;
    const std::string path = dir.path() + "/tree.seg";
    TEST_NODE small;
    small.text = "previous";
    PDB_ARCHIVE archive(path);
    ASSERT_TRUE(archive.write_root(small));

    TEST_NODE big;
    big.text = std::string(300 * 1024, 'x'); // several write chunks
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pdb_set_write_fault_hook(&die_mid_write);
        PDB_ARCHIVE(path).write_root(big);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);

    std::unique_ptr<PDB_VIRTUAL_OBJECT> root = archive.read_root();
    ASSERT_TRUE(root) << archive.last_error();
    EXPECT_EQ(dynamic_cast<TEST_NODE&>(*root).text, "previous");
    // The dead writer's partial temporary file is the only other file, and is recognisable as such.
    std::vector<std::string> files = dir.files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_TRUE(pdb_is_temp_file_name(files[0]));
    EXPECT_EQ(files[1], "tree.seg");
}

TEST(PdbStore, ReplaceFileInstallsAWrittenTemporaryFile)
{
    TEMP_DIR dir;
    const std::string target = dir.path() + "/doc.xml";
    std::string temp = pdb_temp_file_name(target);
    EXPECT_TRUE(pdb_is_temp_file_name(std::filesystem::path(temp).filename().string()));
    std::ofstream(temp) << "new";
    std::string error;
    ASSERT_TRUE(pdb_replace_file(temp, target, &error)) << error;
    EXPECT_EQ(read_file(target), "new");
    EXPECT_FALSE(pdb_replace_file(dir.path() + "/missing", target, &error));
    EXPECT_EQ(read_file(target), "new");
}
