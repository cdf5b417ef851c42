#include "engine/DSIntf.h"

#include "engine/DataPacket.h"
#include "platform/IntegrityRecord.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// A packet of `count` records with two fields: the record's number and a text that is null
// for every third record.
std::string numberedPacket(std::uint32_t count, const std::string &params = "")
{
    std::string packet = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
                         "<packet format=\"tervana-data\" version=\"1\">\n"
                         "<fields><field name=\"No\" type=\"String\" width=\"10\"/>"
                         "<field name=\"Text\" type=\"String\" width=\"20\"/></fields>\n";
    if (!params.empty()) packet += "<params>" + params + "</params>\n";
    packet += "<rows>\n";
    for (std::uint32_t i = 1; i <= count; ++i) {
        packet += "<row c1=\"" + std::to_string(i) + "\"";
        if (i % 3 != 0) packet += " c2=\"text " + std::to_string(i) + "\"";
        packet += "/>\n";
    }
    return packet + "</rows></packet>\n";
}

std::unique_ptr<IDSBase> storeOf(const std::string &packet)
{
    auto base = createDSBase();
    base->AppendData(packet, true);
    return base;
}

std::string numberOf(const TRecordBuffer &buffer)
{
    return std::string(buffer.value(1));
}

// The first field of every record, in record order.
std::vector<std::string> numbers(IDSCursor &cursor)
{
    std::vector<std::string> result;
    TRecordBuffer buffer = cursor.newRecordBuffer();
    cursor.moveToBOF();
    while (cursor.getNextRecord(buffer) == TFetchResult::Ok)
        result.push_back(numberOf(buffer));
    return result;
}

} // namespace

TEST(Store, ReadsFieldsParamsAndValues)
{
    auto base = storeOf(numberedPacket(3, "<param name=\"NO_RESET_CALL\" value=\"true\"/>"));
    ASSERT_EQ(base->fieldDescriptors().size(), 2u);
    EXPECT_EQ(base->fieldDescriptors()[1].name, "Text");
    EXPECT_EQ(base->fieldDescriptors()[1].width, 20u);
    EXPECT_EQ(base->fieldDescriptors()[1].position, 2u);
    EXPECT_EQ(base->param("NO_RESET_CALL"), true);
    EXPECT_EQ(base->param("no_reset_call"), true);
    EXPECT_EQ(base->param("DISABLE_EDITS"), std::nullopt);
    EXPECT_FALSE(base->readOnly());
    EXPECT_FALSE(base->dataChanged());

    auto cursor = base->createCursor();
    EXPECT_EQ(cursor->recordCount(), 3u);
    TRecordBuffer buffer = cursor->newRecordBuffer();
    ASSERT_EQ(cursor->getNextRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(buffer.value(2), "text 1");
    EXPECT_FALSE(buffer.isBlank(2));
    ASSERT_TRUE(cursor->moveToSeqNo(3));
    ASSERT_EQ(cursor->getCurrentRecord(buffer), TFetchResult::Ok);
    EXPECT_TRUE(buffer.isBlank(2));
    EXPECT_EQ(buffer.value(2), "");
}

TEST(Store, CursorMovesAndSequenceNumbers)
{
    auto base = storeOf(numberedPacket(3));
    auto cursor = base->createCursor();
    TRecordBuffer buffer = cursor->newRecordBuffer();

    EXPECT_EQ(cursor->sequenceNumber(), 0u);
    EXPECT_EQ(cursor->getCurrentRecord(buffer), TFetchResult::Bof);
    EXPECT_EQ(cursor->getPriorRecord(buffer), TFetchResult::Bof);
    for (std::uint32_t expected = 1; expected <= 3; ++expected) {
        ASSERT_EQ(cursor->getNextRecord(buffer), TFetchResult::Ok);
        EXPECT_EQ(numberOf(buffer), std::to_string(expected));
        EXPECT_EQ(cursor->sequenceNumber(), expected);
    }
    // Past the end and back: the last record again, not a skipped one.
    EXPECT_EQ(cursor->getNextRecord(buffer), TFetchResult::Eof);
    EXPECT_EQ(cursor->getNextRecord(buffer), TFetchResult::Eof);
    EXPECT_EQ(cursor->sequenceNumber(), 0u);
    EXPECT_EQ(cursor->getCurrentRecord(buffer), TFetchResult::Eof);
    ASSERT_EQ(cursor->getPriorRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(numberOf(buffer), "3");
    ASSERT_EQ(cursor->getPriorRecord(buffer), TFetchResult::Ok);
    ASSERT_EQ(cursor->getPriorRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(numberOf(buffer), "1");
    EXPECT_EQ(cursor->getPriorRecord(buffer), TFetchResult::Bof);
    ASSERT_EQ(cursor->getNextRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(numberOf(buffer), "1");

    cursor->moveToEOF();
    ASSERT_EQ(cursor->getPriorRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(numberOf(buffer), "3");

    // Moving to a sequence number that does not exist leaves the cursor where it was.
    for (std::uint32_t bad : {0u, 4u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(cursor->moveToSeqNo(bad));
        EXPECT_EQ(cursor->sequenceNumber(), 3u);
    }
    EXPECT_TRUE(cursor->moveToSeqNo(2));
    ASSERT_EQ(cursor->getNextRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(numberOf(buffer), "3");
}

TEST(Store, EmptyStore)
{
    auto base = storeOf(numberedPacket(0));
    auto cursor = base->createCursor();
    TRecordBuffer buffer = cursor->newRecordBuffer();
    EXPECT_EQ(cursor->recordCount(), 0u);
    EXPECT_EQ(cursor->getNextRecord(buffer), TFetchResult::Eof);
    EXPECT_EQ(cursor->getPriorRecord(buffer), TFetchResult::Bof);
    cursor->moveToEOF();
    EXPECT_EQ(cursor->getPriorRecord(buffer), TFetchResult::Bof);
    EXPECT_FALSE(cursor->moveToSeqNo(1));
    EXPECT_FALSE(cursor->moveToBookmark(TDSBookmark{1}));

    // A packet without a row list holds no records either.
    auto bare = storeOf("<?xml version=\"1.0\" encoding=\"GBK\"?><packet format=\"tervana-data\" "
                        "version=\"1\"><fields/></packet>");
    EXPECT_EQ(bare->createCursor()->recordCount(), 0u);
    EXPECT_TRUE(bare->fieldDescriptors().empty());
}

TEST(Store, BookmarksFollowRecordsThroughInserts)
{
    auto base = storeOf(numberedPacket(3));
    auto cursor = base->createCursor();
    TRecordBuffer buffer = cursor->newRecordBuffer();
    std::vector<TDSBookmark> marks;
    while (cursor->getNextRecord(buffer) == TFetchResult::Ok)
        marks.push_back(*buffer.bookmark);
    ASSERT_EQ(marks.size(), 3u);

    EXPECT_EQ(cursor->compareBookmarks(marks[0], marks[2]), -1);
    EXPECT_EQ(cursor->compareBookmarks(marks[2], marks[0]), 1);
    EXPECT_EQ(cursor->compareBookmarks(marks[1], marks[1]), 0);

    // Insert before record 2: the new record takes its place in order, bookmarks stay put.
    ASSERT_TRUE(cursor->moveToBookmark(marks[1]));
    TRecordBuffer fresh = cursor->newRecordBuffer();
    fresh.setValue(1, "new");
    cursor->insertRecord(fresh);
    EXPECT_EQ(cursor->sequenceNumber(), 2u);
    ASSERT_EQ(cursor->getCurrentRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(numberOf(buffer), "new");
    const TDSBookmark inserted = *buffer.bookmark;

    EXPECT_EQ(cursor->compareBookmarks(marks[0], inserted), -1);
    EXPECT_EQ(cursor->compareBookmarks(inserted, marks[1]), -1);
    ASSERT_TRUE(cursor->moveToBookmark(marks[1]));
    EXPECT_EQ(cursor->sequenceNumber(), 3u);
    ASSERT_EQ(cursor->getCurrentRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(numberOf(buffer), "2");

    // A bookmark that names no record: no move, and it sorts after every real one.
    const TDSBookmark stale{999};
    EXPECT_FALSE(cursor->moveToBookmark(stale));
    EXPECT_FALSE(cursor->moveToBookmark(TDSBookmark{}));
    EXPECT_EQ(cursor->sequenceNumber(), 3u);
    EXPECT_EQ(cursor->compareBookmarks(stale, marks[0]), 1);
    EXPECT_EQ(cursor->compareBookmarks(marks[2], stale), -1);
    EXPECT_EQ(cursor->compareBookmarks(stale, stale), 0);

    // A second cursor sees the insert at once and keeps its own place.
    auto other = base->createCursor();
    EXPECT_EQ(other->recordCount(), 4u);
    EXPECT_EQ(numbers(*other), (std::vector<std::string>{"1", "new", "2", "3"}));
}

TEST(Store, InsertAtEitherEndAndIntoAnEmptyStore)
{
    auto base = storeOf(numberedPacket(2));
    auto cursor = base->createCursor();
    TRecordBuffer fresh = cursor->newRecordBuffer();

    fresh.setValue(1, "last");
    cursor->moveToEOF();
    cursor->insertRecord(fresh);
    EXPECT_EQ(cursor->sequenceNumber(), 3u);
    fresh.setValue(1, "first");
    cursor->moveToBOF();
    cursor->insertRecord(fresh);
    EXPECT_EQ(cursor->sequenceNumber(), 1u);
    EXPECT_EQ(numbers(*cursor), (std::vector<std::string>{"first", "1", "2", "last"}));

    auto empty = storeOf(numberedPacket(0));
    auto emptyCursor = empty->createCursor();
    TRecordBuffer only = emptyCursor->newRecordBuffer();
    only.setValue(2, "");
    emptyCursor->insertRecord(only);
    EXPECT_TRUE(empty->dataChanged());
    TRecordBuffer read = emptyCursor->newRecordBuffer();
    ASSERT_EQ(emptyCursor->getCurrentRecord(read), TFetchResult::Ok);
    EXPECT_TRUE(read.isBlank(1));
    EXPECT_FALSE(read.isBlank(2));
}

TEST(Store, ModifyKeepsOlderBuffersIntact)
{
    auto base = storeOf(numberedPacket(2));
    auto cursor = base->createCursor();
    TRecordBuffer before = cursor->newRecordBuffer();
    ASSERT_EQ(cursor->getNextRecord(before), TFetchResult::Ok);

    TRecordBuffer edited = before;
    edited.setValue(2, std::string(5000, 'x'));
    cursor->modifyRecord(edited);
    EXPECT_TRUE(base->dataChanged());

    // `before` still refers to the value as it was read.
    EXPECT_EQ(before.value(2), "text 1");

    TRecordBuffer after = cursor->newRecordBuffer();
    ASSERT_EQ(cursor->getCurrentRecord(after), TFetchResult::Ok);
    EXPECT_EQ(after.value(2), std::string(5000, 'x'));
    EXPECT_EQ(after.value(1), "1");

    // Many edits of one record: every buffer filled on the way keeps its own value.
    std::vector<TRecordBuffer> history;
    for (int i = 0; i < 2000; ++i) {
        edited.setValue(2, "edit " + std::to_string(i) +
                               std::string(static_cast<std::size_t>(i % 50), '.'));
        cursor->modifyRecord(edited);
        history.emplace_back();
        ASSERT_EQ(cursor->getCurrentRecord(history.back()), TFetchResult::Ok);
    }
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(history[static_cast<std::size_t>(i)].value(2),
                  "edit " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 50), '.'));

    // Null and empty stay apart through a modify.
    edited.setValue(1, std::nullopt);
    edited.setValue(2, "");
    cursor->modifyRecord(edited);
    ASSERT_EQ(cursor->getCurrentRecord(after), TFetchResult::Ok);
    EXPECT_TRUE(after.isBlank(1));
    EXPECT_FALSE(after.isBlank(2));
    EXPECT_EQ(after.value(2), "");
}

TEST(Store, ModifyNeedsARecordAndMatchingBuffer)
{
    auto base = storeOf(numberedPacket(2));
    auto cursor = base->createCursor();
    TRecordBuffer noBookmark = cursor->newRecordBuffer();
    EXPECT_THROW(cursor->modifyRecord(noBookmark), EDSEngineError);
    noBookmark.bookmark = TDSBookmark{77};
    EXPECT_THROW(cursor->modifyRecord(noBookmark), EDSEngineError);
    TRecordBuffer wrongShape(5);
    wrongShape.bookmark = TDSBookmark{1};
    EXPECT_THROW(cursor->modifyRecord(wrongShape), EDSEngineError);
    EXPECT_THROW(cursor->insertRecord(wrongShape), EDSEngineError);
    EXPECT_FALSE(base->dataChanged());
    EXPECT_EQ(cursor->recordCount(), 2u);
}

TEST(Store, DisablingParams)
{
    struct TCase
    {
        const char *params;
        bool editAllowed;
        bool insertAllowed;
        bool readOnly;
    };
    const std::vector<TCase> cases = {
        {"", true, true, false},
        {"<param name=\"DISABLE_EDITS\" value=\"true\"/>", false, true, false},
        {"<param name=\"DISABLE_EDITS\" value=\"false\"/>", true, true, false},
        {"<param name=\"DISABLE_INSERTS\" value=\"true\"/>", true, false, false},
        {"<param name=\"DISABLE_DELETES\" value=\"true\"/>", true, true, false},
        {"<param name=\"DISABLE_EDITS\" value=\"true\"/><param name=\"DISABLE_INSERTS\" "
         "value=\"true\"/><param name=\"DISABLE_DELETES\" value=\"true\"/>",
         false, false, true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.params);
        auto base = storeOf(numberedPacket(1, c.params));
        auto cursor = base->createCursor();
        TRecordBuffer buffer = cursor->newRecordBuffer();
        ASSERT_EQ(cursor->getNextRecord(buffer), TFetchResult::Ok);
        buffer.setValue(2, "changed");
        EXPECT_EQ(base->readOnly(), c.readOnly);

        auto expectRefused = [](const std::function<void()> &change) {
            try {
                change();
                ADD_FAILURE() << "change allowed";
            } catch (const EDSEngineError &error) {
                EXPECT_EQ(error.Message(), "Modifications are not allowed");
            }
        };
        if (c.editAllowed)
            EXPECT_NO_THROW(cursor->modifyRecord(buffer));
        else
            expectRefused([&] { cursor->modifyRecord(buffer); });
        TRecordBuffer stored = cursor->newRecordBuffer();
        ASSERT_TRUE(cursor->moveToSeqNo(1));
        ASSERT_EQ(cursor->getCurrentRecord(stored), TFetchResult::Ok);
        EXPECT_EQ(stored.value(2), c.editAllowed ? "changed" : "text 1");
        EXPECT_EQ(base->dataChanged(), c.editAllowed);

        if (c.insertAllowed)
            EXPECT_NO_THROW(cursor->insertRecord(buffer));
        else
            expectRefused([&] { cursor->insertRecord(buffer); });
        EXPECT_EQ(cursor->recordCount(), c.insertAllowed ? 2u : 1u);
        EXPECT_EQ(base->dataChanged(), c.editAllowed || c.insertAllowed);
    }
}

TEST(Store, StreamOutWritesTheStoreAsItIsNow)
{
    const std::string packet =
        numberedPacket(4, "<param name=\"DISABLE_DELETES\" value=\"true\"/>");
    auto base = storeOf(packet);
    const std::string unchanged = base->StreamOut();
    EXPECT_TRUE(integrity::isSealed(unchanged));

    auto cursor = base->createCursor();
    TRecordBuffer buffer = cursor->newRecordBuffer();
    ASSERT_TRUE(cursor->moveToSeqNo(2));
    ASSERT_EQ(cursor->getCurrentRecord(buffer), TFetchResult::Ok);
    buffer.setValue(2, "line one\r\nline \"two\" & <three>");
    cursor->modifyRecord(buffer);
    TRecordBuffer fresh = cursor->newRecordBuffer();
    fresh.setValue(1, "inserted");
    cursor->insertRecord(fresh);

    const std::string written = base->StreamOut();
    EXPECT_TRUE(integrity::isSealed(written));
    auto reread = storeOf(written);
    EXPECT_EQ(reread->params(), base->params());
    EXPECT_EQ(reread->fieldDescriptors().size(), 2u);
    auto rereadCursor = reread->createCursor();
    EXPECT_EQ(numbers(*rereadCursor), (std::vector<std::string>{"1", "inserted", "2", "3", "4"}));
    ASSERT_TRUE(rereadCursor->moveToSeqNo(3));
    ASSERT_EQ(rereadCursor->getCurrentRecord(buffer), TFetchResult::Ok);
    EXPECT_EQ(buffer.value(2), "line one\r\nline \"two\" & <three>");
    ASSERT_TRUE(rereadCursor->moveToSeqNo(4));
    ASSERT_EQ(rereadCursor->getCurrentRecord(buffer), TFetchResult::Ok);
    EXPECT_TRUE(buffer.isBlank(2));
    ASSERT_TRUE(rereadCursor->moveToSeqNo(2));
    ASSERT_EQ(rereadCursor->getCurrentRecord(buffer), TFetchResult::Ok);
    EXPECT_TRUE(buffer.isBlank(2));
    EXPECT_EQ(reread->StreamOut(), written);
}

TEST(Store, RejectedPacketLeavesTheStoreEmpty)
{
    auto base = createDSBase();
    std::string bad = numberedPacket(5);
    bad.insert(bad.rfind("</rows>"), "<row c9=\"x\"/>");
    EXPECT_THROW(base->AppendData(bad, true), EDSEngineError);
    EXPECT_TRUE(base->fieldDescriptors().empty());
    EXPECT_TRUE(base->params().empty());
    EXPECT_EQ(base->createCursor()->recordCount(), 0u);
    EXPECT_FALSE(base->dataChanged());

    // The same store then takes a good packet, but only one.
    base->AppendData(numberedPacket(2), true);
    EXPECT_EQ(base->createCursor()->recordCount(), 2u);
    EXPECT_THROW(base->AppendData(numberedPacket(3), true), EDSEngineError);
    EXPECT_EQ(base->createCursor()->recordCount(), 2u);
    EXPECT_THROW(createDSBase()->AppendData(numberedPacket(1), false), EDSEngineError);
}
