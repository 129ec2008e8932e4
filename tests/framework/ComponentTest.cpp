// Ownership, naming and notifications of components.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Component.h"

namespace qd {
namespace {

std::vector<std::string> gLog;

// Logs its destruction and every notification it hears; optionally frees another component when it hears that
// a given component goes away (to stress notification walks that change the lists under them).
class TTracked : public TComponent {
public:
    TTracked(TComponent* owner, std::string tag) : TComponent(owner), FTag(std::move(tag)) { ++Live; }
    ~TTracked() override {
        gLog.push_back("~" + FTag);
        --Live;
    }

    TComponent* Watched = nullptr;  // cleared when it goes
    TComponent* FreeOnRemovalOf = nullptr;
    TComponent* Victim = nullptr;
    static int Live;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        const char* op = operation == TOperation::opInsert ? "insert" : "remove";
        gLog.push_back(FTag + ":" + op + ":" + (component ? component->Name() : std::string("?")));
        if (operation == TOperation::opRemove && component == Watched) Watched = nullptr;
        if (operation == TOperation::opRemove && component == FreeOnRemovalOf && Victim) {
            TComponent* v = Victim;
            Victim = nullptr;
            delete v;
        }
    }

private:
    std::string FTag;
};
int TTracked::Live = 0;

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        gLog.clear();
        TTracked::Live = 0;
    }
    void TearDown() override { EXPECT_EQ(TTracked::Live, 0) << "components leaked or freed twice"; }

    static std::vector<std::string> Destructions() {
        std::vector<std::string> out;
        std::copy_if(gLog.begin(), gLog.end(), std::back_inserter(out),
                     [](const std::string& s) { return s[0] == '~'; });
        return out;
    }
};

TEST_F(ComponentTest, OwnerFreesOwnedComponentsLastCreatedFirst) {
    auto* owner = new TTracked(nullptr, "owner");
    new TTracked(owner, "a");
    auto* b = new TTracked(owner, "b");
    new TTracked(b, "b1");
    new TTracked(owner, "c");
    EXPECT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(b->Owner(), owner);
    delete owner;
    // The owner's own destructor body runs first; then its components, newest first, each with its own.
    EXPECT_EQ(Destructions(), (std::vector<std::string>{"~owner", "~c", "~b", "~b1", "~a"}));
}

TEST_F(ComponentTest, ComponentFreedAloneLeavesItsOwnersList) {
    TTracked owner(nullptr, "owner");
    auto* a = new TTracked(&owner, "a");
    auto* b = new TTracked(&owner, "b");
    a->SetName("A");
    b->SetName("B");
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    EXPECT_EQ(owner.FindComponent("A"), nullptr);
    // The owner heard of it, and passed it on to the remaining component.
    EXPECT_NE(std::find(gLog.begin(), gLog.end(), "owner:remove:A"), gLog.end());
    EXPECT_NE(std::find(gLog.begin(), gLog.end(), "b:remove:A"), gLog.end());
}

TEST_F(ComponentTest, DestroyComponentsEmptiesTheOwnerAndKeepsIt) {
    TTracked owner(nullptr, "owner");
    new TTracked(&owner, "a");
    new TTracked(&owner, "b");
    owner.DestroyComponents();
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(Destructions(), (std::vector<std::string>{"~b", "~a"}));
}

TEST_F(ComponentTest, NamesAreUniquePerOwnerIgnoringAsciiCase) {
    TTracked owner(nullptr, "owner");
    auto* a = new TTracked(&owner, "a");
    auto* b = new TTracked(&owner, "b");
    a->SetName("Button1");
    EXPECT_THROW(b->SetName("BUTTON1"), Exception);
    EXPECT_EQ(b->Name(), "");
    a->SetName("BUTTON1");  // renaming itself to another case is no clash
    EXPECT_EQ(a->Name(), "BUTTON1");
    EXPECT_EQ(owner.FindComponent("button1"), a);

    // Another owner's components may use the same name.
    TTracked other(nullptr, "other");
    auto* c = new TTracked(&other, "c");
    EXPECT_NO_THROW(c->SetName("Button1"));

    // Empty names never clash and are never found.
    auto* d = new TTracked(&owner, "d");
    EXPECT_NO_THROW(d->SetName(""));
    EXPECT_EQ(owner.FindComponent(""), nullptr);
}

TEST_F(ComponentTest, NamesMustBeIdentifiers) {
    TTracked c(nullptr, "c");
    for (const char* bad : {"1abc", "a b", "a-b", "a.b", " a", "\xE5\xB2\x9A", "a\n"}) {
        EXPECT_THROW(c.SetName(bad), Exception) << bad;
    }
    for (const char* good : {"_", "a", "Form_Main", "x9", "StatusBar_Main"}) {
        EXPECT_NO_THROW(c.SetName(good)) << good;
        EXPECT_EQ(c.Name(), good);
    }
    try {
        c.SetName("a b");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "\"a b\" is not a valid component name");
    }
}

TEST_F(ComponentTest, InsertComponentMovesOwnershipAndChecksNames) {
    TTracked first(nullptr, "first");
    TTracked second(nullptr, "second");
    auto* a = new TTracked(&first, "a");
    a->SetName("Shared");
    auto* clash = new TTracked(&second, "clash");
    clash->SetName("shared");

    EXPECT_THROW(second.InsertComponent(a), Exception);
    EXPECT_EQ(a->Owner(), &first) << "a refused insert leaves the component where it was";
    EXPECT_EQ(first.ComponentCount(), 1);

    clash->SetName("Other");
    second.InsertComponent(a);
    EXPECT_EQ(a->Owner(), &second);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(second.ComponentCount(), 2);
    EXPECT_NE(std::find(gLog.begin(), gLog.end(), "second:insert:Shared"), gLog.end());
    EXPECT_NE(std::find(gLog.begin(), gLog.end(), "clash:insert:Shared"), gLog.end());
}

TEST_F(ComponentTest, OwnershipCyclesAreRefused) {
    TTracked root(nullptr, "root");
    auto* child = new TTracked(&root, "child");
    EXPECT_THROW(root.InsertComponent(&root), EInvalidOperation);
    EXPECT_THROW(child->InsertComponent(&root), EInvalidOperation);
    EXPECT_EQ(root.Owner(), nullptr);
    root.InsertComponent(nullptr);  // ignored
    EXPECT_EQ(root.ComponentCount(), 1);
}

TEST_F(ComponentTest, RemovedComponentIsNoLongerFreedByItsOwner) {
    TTracked* loose = nullptr;
    {
        TTracked owner(nullptr, "owner");
        loose = new TTracked(&owner, "loose");
        owner.RemoveComponent(loose);
        EXPECT_EQ(loose->Owner(), nullptr);
        TTracked stranger(nullptr, "stranger");
        stranger.RemoveComponent(loose);  // not its own: ignored
    }
    EXPECT_EQ(TTracked::Live, 1);
    delete loose;
}

TEST_F(ComponentTest, FreeNotificationTellsTheListenerAndIsMutual) {
    auto* source = new TTracked(nullptr, "source");
    source->SetName("Source");
    TTracked listener(nullptr, "listener");
    listener.Watched = source;
    source->FreeNotification(&listener);
    source->FreeNotification(&listener);  // asked twice: told once
    delete source;
    EXPECT_EQ(listener.Watched, nullptr);
    EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "listener:remove:Source"), 1);

    // The other way round: the listener goes first; the source must not tell it later (ASan would see that).
    auto* source2 = new TTracked(nullptr, "source2");
    auto* listener2 = new TTracked(nullptr, "listener2");
    source2->FreeNotification(listener2);
    delete listener2;
    gLog.clear();
    delete source2;
    EXPECT_EQ(gLog, (std::vector<std::string>{"~source2"}));
}

TEST_F(ComponentTest, RemoveFreeNotificationStopsTheNotice) {
    auto* source = new TTracked(nullptr, "source");
    TTracked listener(nullptr, "listener");
    source->FreeNotification(&listener);
    source->RemoveFreeNotification(&listener);
    gLog.clear();
    delete source;
    EXPECT_EQ(gLog, (std::vector<std::string>{"~source"}));
}

TEST_F(ComponentTest, NotificationHandlerMayFreeASiblingDuringTheWalk) {
    auto* owner = new TTracked(nullptr, "owner");
    auto* a = new TTracked(owner, "a");
    a->SetName("A");
    auto* b = new TTracked(owner, "b");
    auto* c = new TTracked(owner, "c");
    auto* d = new TTracked(owner, "d");
    // When d hears that a goes, it frees b; c must still be told, and nobody twice.
    d->FreeOnRemovalOf = a;
    d->Victim = b;
    delete a;
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "c:remove:A"), 1);
    EXPECT_EQ(owner->Components(0), c);
    EXPECT_EQ(owner->Components(1), d);
    delete owner;
}

TEST_F(ComponentTest, FreeingAnOwnerWhoseComponentsReferenceEachOther) {
    auto* owner = new TTracked(nullptr, "owner");
    auto* a = new TTracked(owner, "a");
    auto* b = new TTracked(owner, "b");
    a->Watched = b;
    b->Watched = a;
    b->FreeNotification(a);
    delete owner;  // b goes first and tells a; a then goes without touching b
    EXPECT_EQ(TTracked::Live, 0);
}

TEST_F(ComponentTest, LoadedClearsLoadingState) {
    TTracked c(nullptr, "c");
    c.SetState(TComponentStateFlag::csLoading, true);
    c.SetState(TComponentStateFlag::csReading, true);
    EXPECT_TRUE(c.HasState(TComponentStateFlag::csLoading));
    c.Loaded();
    EXPECT_FALSE(c.HasState(TComponentStateFlag::csLoading));
    EXPECT_TRUE(c.HasState(TComponentStateFlag::csReading)) << "Loaded clears only csLoading";
}

TEST_F(ComponentTest, ClassNameComesFromClassInfo) {
    TTracked c(nullptr, "c");
    EXPECT_EQ(c.ClassName(), "TComponent") << "a class that reports no class information of its own";
    c.SetTag(-7);
    EXPECT_EQ(c.Tag(), -7);
}

}  // namespace
}  // namespace qd
