#include "core/Component.h"
#include "core/Exceptions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace tarvik;

namespace {
std::vector<std::string>* journal = nullptr;

class Probe : public TComponent {
public:
    Probe(TComponent* owner, const std::string& name) : TComponent(owner) { SetName(name); }
    ~Probe() override {
        if (journal) journal->push_back("free " + Name() + (Destroying() ? " destroying" : ""));
    }
    std::vector<std::string> seen;
    int loadedCalls = 0;

protected:
    void Notification(TComponent* c, TOperation op) override {
        // A component is inserted while its constructor runs, before it has a name: record the address.
        seen.push_back((op == TOperation::opInsert ? "+" : "-") +
                       std::to_string(reinterpret_cast<uintptr_t>(c)));
    }
    void Loaded() override {
        ++loadedCalls;
        if (journal) journal->push_back("loaded " + Name() + (Loading() ? " still loading" : ""));
    }
};
} // namespace

TEST(Component, OwnerFreesOwnedComponentsLastInsertedFirst) {
    std::vector<std::string> log;
    journal = &log;
    {
        TComponent root;
        new Probe(&root, "a");
        new Probe(&root, "b");
        EXPECT_EQ(root.ComponentCount(), 2);
        EXPECT_EQ(root.Components()[0]->Name(), "a");
        EXPECT_EQ(root.FindComponent("b")->Name(), "b");
        EXPECT_EQ(root.FindComponent("c"), nullptr);
    }
    journal = nullptr;
    EXPECT_EQ(log, (std::vector<std::string>{"free b destroying", "free a destroying"}));
}

TEST(Component, SiblingsAreNotifiedOfInsertAndRemove) {
    TComponent root;
    auto* a = new Probe(&root, "a");
    auto* b = new Probe(&root, "b");
    const std::string id = std::to_string(reinterpret_cast<uintptr_t>(b));
    EXPECT_EQ(a->seen, (std::vector<std::string>{"+" + id}));
    EXPECT_TRUE(b->seen.empty()) << "a component is not told about itself";
    delete b;
    EXPECT_EQ(a->seen, (std::vector<std::string>{"+" + id, "-" + id}));
    EXPECT_EQ(root.ComponentCount(), 1);
}

TEST(Component, DeletingAComponentLeavesItsOwner) {
    TComponent root;
    auto* a = new Probe(&root, "a");
    delete a;
    EXPECT_EQ(root.ComponentCount(), 0);
}

TEST(Component, InsertMovesBetweenOwners) {
    TComponent first, second;
    auto* a = new Probe(&first, "a");
    second.InsertComponent(a);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(a->Owner(), &second);
}

TEST(Component, LoadingStateEndsWithLoadedOnEveryComponent) {
    std::vector<std::string> log;
    journal = &log;
    {
        TComponent root;
        auto* a = new Probe(&root, "a");
        root.BeginLoading();
        EXPECT_TRUE(a->Loading());
        root.EndLoading();
        EXPECT_FALSE(a->Loading());
        EXPECT_EQ(a->loadedCalls, 1);
    }
    journal = nullptr;
    EXPECT_EQ(log.front(), "loaded a");
}

TEST(Exceptions, AbortIsRecognisedByClassName) {
    try {
        Abort();
        FAIL() << "Abort returned";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.ClassName(), "EAbort");
    }
}

namespace {
class Typed : public TComponent {
public:
    explicit Typed(TComponent* owner) : TComponent(owner) { AnnounceInserted(); }
};

class TypeWatcher : public TComponent {
public:
    using TComponent::TComponent;
    int typedSeen = 0;

protected:
    void Notification(TComponent* c, TOperation op) override {
        if (op == TOperation::opInsert && dynamic_cast<Typed*>(c)) ++typedSeen;
    }
};
} // namespace

TEST(Component, AnnouncedComponentsAreSeenWithTheirOwnType) {
    TComponent root;
    auto* watcher = new TypeWatcher(&root);
    new Typed(&root);
    EXPECT_EQ(watcher->typedSeen, 1);
}

#include "core/Text.h"

TEST(Text, TrimUpperAndCompareTouchOnlyBlanksAndAsciiLetters) {
    EXPECT_EQ(TrimBlanks("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("   "), "");
    EXPECT_EQ(TrimBlanks("\tx "), "\tx");
    EXPECT_EQ(UpperAscii("Šola sql"), "ŠOLA SQL");
    EXPECT_TRUE(SameTextAscii("SQL Server", "sql SERVER"));
    EXPECT_FALSE(SameTextAscii("SQL Server", "SQL Server "));
}
