#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>
#include <thread>

#include "toolkit/com.h"

using kite_com::com_apartment;
using kite_com::com_ptr;
using kite_com::com_use_count;
using kite_com::hresult_error;

namespace {

// Runs body on a thread of its own, so that its COM state starts clean and dies with it.
template <class Body>
void on_fresh_thread(Body body)
{
    std::thread worker(body);
    worker.join();
}

// Whether COM is initialised on this thread, from CoInitializeEx's own answer; the probe is undone at once.
HRESULT probe_com()
{
    const HRESULT answer = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(answer))
        CoUninitialize();
    return answer;
}

// Stand-ins for the runtime calls that count and answer as told.
int initialise_calls = 0;
int uninitialise_calls = 0;
HRESULT initialise_answer = S_OK;

HRESULT WINAPI counting_initialise(LPVOID, DWORD)
{
    ++initialise_calls;
    return initialise_answer;
}

void WINAPI counting_uninitialise()
{
    ++uninitialise_calls;
}

class runtime_stand_in {
public:
    explicit runtime_stand_in(HRESULT answer) : saved_(kite_com::runtime)
    {
        initialise_calls = 0;
        uninitialise_calls = 0;
        initialise_answer = answer;
        kite_com::runtime = {&counting_initialise, &counting_uninitialise};
    }
    ~runtime_stand_in() { kite_com::runtime = saved_; }

private:
    kite_com::com_runtime saved_;
};

} // namespace

TEST(HresultError, FormsEightLowerCaseZeroPaddedDigits)
{
    EXPECT_STREQ(hresult_error(E_INVALIDARG).what(), "an com error has occurred: hresult=0x80070057");
    EXPECT_STREQ(hresult_error(1).what(), "an com error has occurred: hresult=0x00000001");
    EXPECT_STREQ(hresult_error(static_cast<HRESULT>(0x8007000E)).what(),
                 "an com error has occurred: hresult=0x8007000e");
    EXPECT_STREQ(hresult_error(0).what(), "an com error has occurred: hresult=0x00000000");
}

TEST(HresultError, ChangedModeTextAndCatchableAsStdException)
{
    try {
        throw hresult_error(kite_com::changed_mode);
    } catch (const std::exception& error) {
        const std::string text = error.what();
        EXPECT_EQ(text, "a previous call to CoInitializeEx specified the concurrency model for this thread");
        EXPECT_EQ(text.size(), 81u);
        return;
    }
    FAIL() << "not caught as std::exception";
}

TEST(ComApartment, NestedEntersInitialiseOnceAndLastLeaveUninitialises)
{
    ASSERT_EQ(com_use_count, 0u);
    on_fresh_thread([] {
        EXPECT_EQ(probe_com(), S_OK);
        {
            com_apartment outer;
            EXPECT_EQ(com_use_count, 1u);
            EXPECT_EQ(probe_com(), S_FALSE);
            {
                com_apartment inner;
                EXPECT_EQ(com_use_count, 2u);
            }
            EXPECT_EQ(com_use_count, 1u);
            EXPECT_EQ(probe_com(), S_FALSE) << "the inner leave must not uninitialise";
        }
        EXPECT_EQ(com_use_count, 0u);
        // A second CoInitializeEx by the inner enter would leave COM up here.
        EXPECT_EQ(probe_com(), S_OK) << "the last leave must balance exactly one initialisation";
    });
}

TEST(ComApartment, LeaveUninitialisesOnlyItsOwnInitialisation)
{
    on_fresh_thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        {
            com_apartment apartment;  // CoInitializeEx answers S_FALSE: not a failure
            EXPECT_EQ(com_use_count, 1u);
        }
        EXPECT_EQ(probe_com(), S_FALSE) << "the thread's own initialisation must survive";
        CoUninitialize();
        EXPECT_EQ(probe_com(), S_OK);
    });
}

TEST(ComApartment, CallsRuntimeOnceForNestedUsers)
{
    runtime_stand_in runtime(S_OK);
    {
        com_apartment first;
        com_apartment second;
        com_apartment third;
        EXPECT_EQ(initialise_calls, 1);
        EXPECT_EQ(com_use_count, 3u);
    }
    EXPECT_EQ(uninitialise_calls, 1);
    EXPECT_EQ(com_use_count, 0u);
}

TEST(ComApartment, CountLimitsMakeNoCalls)
{
    runtime_stand_in runtime(S_OK);
    {
        com_apartment apartment;
        com_use_count = 0;  // as if someone else had already left for it
    }
    EXPECT_EQ(com_use_count, 0u) << "a leave at zero must not wrap around";
    EXPECT_EQ(uninitialise_calls, 0);

    initialise_calls = 0;
    com_use_count = kite_com::com_use_limit;
    {
        com_apartment saturated;
        EXPECT_EQ(com_use_count, kite_com::com_use_limit);
        EXPECT_EQ(initialise_calls, 0);
    }
    com_use_count = 0;
    EXPECT_EQ(uninitialise_calls, 0);
}

TEST(ComApartment, ChangedModeRestoresCountAndThrows)
{
    ASSERT_EQ(com_use_count, 0u);
    on_fresh_thread([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        try {
            com_apartment apartment;
            ADD_FAILURE() << "entering an apartment on a multithreaded thread did not throw";
        } catch (const hresult_error& error) {
            EXPECT_STREQ(error.what(),
                         "a previous call to CoInitializeEx specified the concurrency model for this thread");
        }
        EXPECT_EQ(com_use_count, 0u);
        CoUninitialize();
    });
}

TEST(ComApartment, RefusedInitialisationIsNeitherCountedNorBalanced)
{
    runtime_stand_in runtime(E_OUTOFMEMORY);
    try {
        com_apartment apartment;
        ADD_FAILURE() << "a refused initialisation was taken as success";
    } catch (const hresult_error& error) {
        EXPECT_STREQ(error.what(), "an com error has occurred: hresult=0x8007000e");
    }
    EXPECT_EQ(com_use_count, 0u);
    EXPECT_EQ(uninitialise_calls, 0);
}

namespace {

// A COM object that records, at each Release, what its owner held at that moment.
class probe_object : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        owner_held_at_release = owner != nullptr ? owner->get() : nullptr;
        ++releases;
        return --references;
    }

    com_ptr<IUnknown>* owner = nullptr;
    IUnknown* owner_held_at_release = this;
    ULONG references = 1;
    int releases = 0;
};

} // namespace

TEST(ComPtr, ResetClearsBeforeReleaseAndReleasesOnce)
{
    probe_object object;
    {
        com_ptr<IUnknown> pointer(&object);
        object.owner = &pointer;
        pointer.reset();
        EXPECT_EQ(object.releases, 1);
        EXPECT_EQ(object.owner_held_at_release, nullptr);
        EXPECT_FALSE(pointer);
        object.owner = nullptr;
    }
    EXPECT_EQ(object.releases, 1) << "an empty pointer must not release again";
}

TEST(ComPtr, PutReleasesTheHeldObjectAndMoveTransfersOwnership)
{
    probe_object first;
    probe_object second;
    com_ptr<IUnknown> pointer(&first);
    IUnknown** place = pointer.put();
    EXPECT_EQ(first.releases, 1);
    *place = &second;
    EXPECT_EQ(pointer.get(), &second);

    com_ptr<IUnknown> moved(std::move(pointer));
    EXPECT_FALSE(pointer);
    EXPECT_EQ(moved.get(), &second);
    EXPECT_EQ(second.releases, 0);
    moved = com_ptr<IUnknown>();
    EXPECT_EQ(second.releases, 1);
}
