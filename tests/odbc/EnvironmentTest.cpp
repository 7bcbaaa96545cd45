#include "odbc/HDbc.h"
#include "odbc/HEnv.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tarvik;

namespace {
class Child : public THbase {
public:
    explicit Child(TChildren* list, std::vector<int>* log, int id) : FList(list), FLog(log), FId(id) {}
    bool Terminate() override {
        THbase::Terminate();
        FLog->push_back(FId);
        FList->Remove(this);
        return true;
    }
    SQLSMALLINT DiagHandleType() const override { return SQL_HANDLE_DBC; }
    SQLHANDLE DiagHandle() override { return SQL_NULL_HANDLE; }

private:
    TChildren* FList;
    std::vector<int>* FLog;
    int FId;
};
} // namespace

TEST(Children, AddRemoveAndTerminateAllKeepTheListConsistent) {
    TChildren list;
    std::vector<int> log;
    Child a(&list, &log, 1), b(&list, &log, 2);
    EXPECT_TRUE(list.TerminateAll()); // empty: returns at once
    EXPECT_TRUE(log.empty());
    list.Add(&a);
    list.Add(&b);
    list.Add(&a); // no duplicate check
    EXPECT_EQ(list.Count(), 3);
    Child stranger(&list, &log, 9);
    list.Remove(&stranger);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_TRUE(list.TerminateAll());
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(log, (std::vector<int>{1, 2, 1})); // head first
}

TEST(Children, TerminateAllEndsEvenWhenAChildStaysListed) {
    class Stubborn : public THbase {
    public:
        SQLSMALLINT DiagHandleType() const override { return SQL_HANDLE_DBC; }
        SQLHANDLE DiagHandle() override { return SQL_NULL_HANDLE; }
    } stubborn;
    TChildren list;
    list.Add(&stubborn);
    EXPECT_TRUE(list.TerminateAll());
    EXPECT_TRUE(list.Empty());
}

TEST(Environment, GlobalEnvIsAllocatedForOdbc3) {
    THenv& env = GlobalEnv();
    EXPECT_TRUE(env.Allocated());
    EXPECT_EQ(&env, &GlobalEnv());
    SQLINTEGER version = 0;
    ASSERT_TRUE(Success(SQLGetEnvAttr(env.Handle(), SQL_ATTR_ODBC_VERSION, &version, 0, nullptr)));
    EXPECT_EQ(version, SQL_OV_ODBC3);
}

TEST(Environment, HooksRunAroundInitAndTerminate) {
    THenv env;
    int inits = 0, terminates = 0;
    env.AfterInit = [&](TComponent* s) { inits += (s == &env); };
    env.BeforeTerminate = [&](TComponent* s) { terminates += (s == &env); };
    EXPECT_TRUE(env.Init()); // already allocated: no hook
    EXPECT_EQ(inits, 0);
    EXPECT_FALSE(env.Terminate()); // the handle stays
    EXPECT_EQ(terminates, 1);
    EXPECT_TRUE(env.FreeEnv());
    EXPECT_FALSE(env.Allocated());
    EXPECT_TRUE(env.Init());
    EXPECT_EQ(inits, 1);
}

TEST(Environment, PoolingToTheSameValueKeepsTheHandle) {
    THenv env;
    int inits = 0;
    env.AfterInit = [&](TComponent*) { ++inits; };
    env.SetConnectionPooling(cpDefault);
    EXPECT_EQ(inits, 0);
    env.SetConnectionPooling(cpOff); // another value: freed and allocated again
    EXPECT_EQ(inits, 1);
    EXPECT_TRUE(env.Allocated());
    EXPECT_EQ(env.ConnectionPooling(), cpOff);
    env.SetConnectionPooling(cpOff);
    EXPECT_EQ(inits, 1);
    env.SetConnectionPooling(cpDefault);
}

TEST(Environment, PoolingMapping) {
    EXPECT_EQ(PoolingAttribute(cpOff), SQL_CP_OFF);
    EXPECT_EQ(PoolingAttribute(cpOnePerDriver), SQL_CP_ONE_PER_DRIVER);
    EXPECT_EQ(PoolingAttribute(cpOnePerEnv), SQL_CP_ONE_PER_HENV);
    EXPECT_EQ(PoolingAttribute(cpDefault), -1);
}

TEST(Environment, FreeingTheGlobalEnvironmentRaisesNothingAndCanStartAgain) {
    GlobalEnv();
    EXPECT_NO_THROW(FreeGlobalEnv());
    EXPECT_NO_THROW(FreeGlobalEnv());
    EXPECT_TRUE(GlobalEnv().Allocated());
    EXPECT_FALSE(GlobalEnv().SuppressErrors());
}

TEST(Environment, ConnectionPoolingSetWhileLoadingWaitsForInit) {
    TComponent form;
    auto* dbc = new THdbc(&form);
    form.BeginLoading();
    dbc->SetConnectionPooling(cpOnePerDriver);
    form.EndLoading();
    EXPECT_EQ(GlobalEnv().ConnectionPooling(), cpDefault);
    dbc->Init();
    EXPECT_EQ(GlobalEnv().ConnectionPooling(), cpOnePerDriver);
    EXPECT_EQ(dbc->ConnectionPooling(), cpOnePerDriver);
    dbc->SetConnectionPooling(cpDefault); // not loading: at once, which terminates the connection
    EXPECT_EQ(GlobalEnv().ConnectionPooling(), cpDefault);
    EXPECT_FALSE(dbc->Allocated());
}

TEST(Environment, FreeingTheGlobalEnvironmentTerminatesConnectionsQuietlyOnTheSameEnvironment) {
    THdbc db;
    db.Init();
    ASSERT_TRUE(db.Allocated());
    THenv* before = &GlobalEnv();
    THenv* seen = nullptr;
    bool quiet = false;
    db.BeforeTerminate = [&](TComponent*) {
        seen = &GlobalEnv();
        quiet = GlobalEnv().SuppressErrors();
    };
    FreeGlobalEnv();
    db.BeforeTerminate = nullptr;
    EXPECT_EQ(seen, before); // no second environment made while the first is freed
    EXPECT_TRUE(quiet);
    EXPECT_FALSE(db.Allocated());
}
