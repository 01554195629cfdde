// The app's own extension end to end: registration through NVRCore, listeners, events, dispatch with
// responses, shared states and unregistration, on the native services.

#import "platform/NVRCore.h"
#import "platform/NVRExtension.h"
#import "platform/NVRExtensionApi.h"
#import "platform/NVRExtensionEvent.h"
#import "platform/NVRExtensionListener.h"
#import "platform/ValueConversions.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "core/hub/EventHub.h"
#include "platform/MobileMarketingCoreBridge.h"
#include "platformShim/SystemInfoServiceInterface.h"
#include "support/CapturingLoggingService.h"
#include "support/ThreadSignals.h"

namespace {

NSString* const EXTENSION_NAME = @"com.test.extension";
NSString* const REQUEST_TYPE = @"com.test.request";
NSString* const RESPONSE_TYPE = @"com.test.response";
NSString* const TEST_SOURCE = @"com.test.source";

/** What the test extensions report, for the test that is running; none between tests. */
struct ExtensionJournal {
    NuvraMobile::SignalCounter deallocs;
    NuvraMobile::SignalCounter listenersReady;
    NuvraMobile::SignalCounter unregistered;
    NuvraMobile::SignalCounter wildcardHeard;
    NuvraMobile::SignalCounter unexpectedErrors;
    NuvraMobile::SignalCounter listenerDeallocs;
    NuvraMobile::SignalCounter witnessHeard;
    NuvraMobile::SignalCounter hearReturned;
    int listenerDeallocsBeforeHearReturned = -1;
    std::mutex mutex;
    std::vector<NSInteger> errorCodes;
    NVRExtension* extension = nil;  // the registered TestExtension, not retained
    std::vector<std::string> wildcardNames;
};

ExtensionJournal* journal = nullptr;

}  // namespace

/** Counts its deallocations, so a test can see an instance go. */
@interface CountedExtension : NVRExtension
@end

@implementation CountedExtension
- (void)dealloc {
    if (journal != nullptr) {
        journal->deallocs.Raise();
    }
    [super dealloc];
}
@end

@interface NamelessExtension : CountedExtension
@end

@implementation NamelessExtension
@end

@interface EmptyNameExtension : CountedExtension
@end

@implementation EmptyNameExtension
- (NSString*)name {
    return @"";
}
@end

/** Tells the journal when the SDK has made it. */
@interface ReadyListener : NVRExtensionListener
@end

@implementation ReadyListener
- (instancetype)init {
    self = [super init];
    journal->listenersReady.Raise();
    return self;
}
@end

/** Answers every request it hears with a response carrying the request's "question" as "answer". */
@interface EchoListener : ReadyListener
@end

@implementation EchoListener
- (void)hear:(NVRExtensionEvent*)event {
    id question = [[event eventData] objectForKey:@"question"];
    if (question == nil) {
        return;
    }
    NSDictionary* answer = [NSDictionary dictionaryWithObject:question forKey:@"answer"];
    NVRExtensionEvent* response = [NVRExtensionEvent extensionEventWithName:@"response"
                                                                       type:RESPONSE_TYPE
                                                                     source:TEST_SOURCE
                                                                       data:answer
                                                                      error:NULL];
    [NVRCore dispatchResponseEvent:response requestEvent:event error:NULL];
}
@end

@interface WildcardListener : ReadyListener
@end

@implementation WildcardListener
- (void)hear:(NVRExtensionEvent*)event {
    {
        std::lock_guard<std::mutex> lock(journal->mutex);
        journal->wildcardNames.push_back([[event eventName] UTF8String]);
    }
    journal->wildcardHeard.Raise();
}
@end

/** Fails in every hear: the extension is told, and the next event still comes. */
@interface RaisingListener : ReadyListener
@end

@implementation RaisingListener
- (void)hear:(NVRExtensionEvent*)event {
    [NSException raise:NSInternalInconsistencyException format:@"cannot hear %@", [event eventName]];
}
@end

/** Registers its listeners in an init that skips super's: the api is set before init runs. */
@interface TestExtension : CountedExtension
@end

@implementation TestExtension
- (instancetype)init {
    {
        std::lock_guard<std::mutex> lock(journal->mutex);
        journal->extension = self;
    }
    [[self api] registerListener:[EchoListener class]
                       eventType:REQUEST_TYPE
                     eventSource:TEST_SOURCE
                           error:NULL];
    [[self api] registerWildcardListener:[WildcardListener class] error:NULL];
    return self;
}

- (NSString*)name {
    return EXTENSION_NAME;
}

- (void)onUnregister {
    [super onUnregister];
    journal->unregistered.Raise();
}

- (void)unexpectedError:(NSError*)error {
    [super unexpectedError:error];
    {
        std::lock_guard<std::mutex> lock(journal->mutex);
        journal->errorCodes.push_back([error code]);
    }
    journal->unexpectedErrors.Raise();
}
@end

NSString* const STOP_EVENT = @"stop";
NSString* const WITNESS_EVENT = @"witness";

/**
 * The usual "stop after the first X": on hearing "stop" it unregisters its own extension, waits until the
 * hub has handled an event dispatched after that (and so had its turn at the unregistration), and then
 * goes on using itself.
 */
@interface SelfUnregisteringListener : NVRExtensionListener {
@public
    BOOL stopped;
}
@end

@implementation SelfUnregisteringListener
- (instancetype)init {
    self = [super init];
    journal->listenersReady.Raise();
    return self;
}

- (void)hear:(NVRExtensionEvent*)event {
    if (![[event eventName] isEqualToString:STOP_EVENT]) {
        return;
    }
    [[[self extension] api] unregisterExtension];
    NVRExtensionEvent* witness = [NVRExtensionEvent extensionEventWithName:WITNESS_EVENT
                                                                      type:REQUEST_TYPE
                                                                    source:TEST_SOURCE
                                                                      data:nil
                                                                     error:NULL];
    [NVRCore dispatchEvent:witness error:NULL];
    journal->witnessHeard.WaitFor(1);
    journal->listenerDeallocsBeforeHearReturned = journal->listenerDeallocs.Count();
    self->stopped = YES;
    journal->hearReturned.Raise();
}

- (void)dealloc {
    journal->listenerDeallocs.Raise();
    [super dealloc];
}
@end

@interface StoppingExtension : CountedExtension
@end

@implementation StoppingExtension
- (instancetype)init {
    [[self api] registerWildcardListener:[SelfUnregisteringListener class] error:NULL];
    return self;
}

- (NSString*)name {
    return @"com.test.stopping";
}

- (void)onUnregister {
    [super onUnregister];
    journal->unregistered.Raise();
}
@end

/** Raises the journal's witness signal when it hears the witness event. */
@interface WitnessListener : ReadyListener
@end

@implementation WitnessListener
- (void)hear:(NVRExtensionEvent*)event {
    if ([[event eventName] isEqualToString:WITNESS_EVENT]) {
        journal->witnessHeard.Raise();
    }
}
@end

@interface WitnessExtension : NVRExtension
@end

@implementation WitnessExtension
- (instancetype)init {
    [[self api] registerWildcardListener:[WitnessListener class] error:NULL];
    return self;
}

- (NSString*)name {
    return @"com.test.witness";
}
@end

/** Another class under the registered name. */
@interface DuplicateExtension : CountedExtension
@end

@implementation DuplicateExtension
- (NSString*)name {
    return [EXTENSION_NAME uppercaseString];
}
@end

namespace NuvraMobile {
namespace {

using testing::HasSubstr;

bool SystemStarted() {
    return Log::GetLoggingService() != nullptr || SystemInfoServiceInterface::GetCurrentService() != nullptr;
}

/** A scratch app and a fresh journal; the system is not started. */
class NVRExtensionTest : public testing::Test {
protected:
    void SetUp() override { journal = &journal_; }
    void TearDown() override { journal = nullptr; }

    ExtensionJournal journal_;
    ScratchApp app_;
};

struct RefusedRegistration {
    const char* label;
    Class extensionClass;
    NSInteger code;
    int probesReleasedPerCall;
};

TEST_F(NVRExtensionTest, RefusedClassesNeverStartTheSystemAndTheirProbeIsReleased) {
    const RefusedRegistration cases[] = {
        {"not an extension", [NSObject class], NVRExtensionErrorClassNotNVRExtension, 0},
        {"nil class", Nil, NVRExtensionErrorClassNotNVRExtension, 0},
        {"nil name", [NamelessExtension class], NVRExtensionErrorBadName, 1},
        {"empty name", [EmptyNameExtension class], NVRExtensionErrorBadName, 1},
    };
    for (const auto& refused : cases) {
        const int released = journal_.deallocs.Count();
        NSError* error = nil;
        EXPECT_FALSE([NVRCore registerExtension:refused.extensionClass error:&error]) << refused.label;
        EXPECT_TRUE([[error domain] isEqualToString:@"com.nuvramarketingmobile.module_errors"])
            << refused.label;
        EXPECT_EQ([error code], refused.code) << refused.label;
        EXPECT_EQ(journal_.deallocs.Count() - released, refused.probesReleasedPerCall) << refused.label;
        EXPECT_FALSE([NVRCore registerExtension:refused.extensionClass error:NULL]) << refused.label;
        EXPECT_EQ(journal_.deallocs.Count() - released, 2 * refused.probesReleasedPerCall) << refused.label;
    }
    EXPECT_FALSE(SystemStarted());
}

TEST_F(NVRExtensionTest, DataThatIsNotJsonGivesNoEventAndCode5) {
    ScopedCapturingLog log(LoggingMode::Warning);
    NSArray* dateInArray = [NSArray arrayWithObject:[NSDate date]];
    NSDictionary* numberKey = [NSDictionary dictionaryWithObject:@"value" forKey:[NSNumber numberWithInt:1]];
    struct {
        const char* label;
        NSDictionary* data;
    } const cases[] = {
        {"date", [NSDictionary dictionaryWithObject:[NSDate date] forKey:@"when"]},
        {"not a number", [NSDictionary dictionaryWithObject:[NSNumber numberWithDouble:NAN] forKey:@"x"]},
        {"infinite", [NSDictionary dictionaryWithObject:[NSNumber numberWithDouble:INFINITY] forKey:@"x"]},
        {"date in a nested array", [NSDictionary dictionaryWithObject:dateInArray forKey:@"list"]},
        {"number key in a nested object", [NSDictionary dictionaryWithObject:numberKey forKey:@"inner"]},
        {"not a dictionary", (NSDictionary*)[NSArray arrayWithObject:@"element"]},
    };
    for (const auto& bad : cases) {
        log.Service().Clear();
        NSError* error = nil;
        EXPECT_EQ([NVRExtensionEvent extensionEventWithName:@"broken"
                                                       type:REQUEST_TYPE
                                                     source:TEST_SOURCE
                                                       data:bad.data
                                                      error:&error],
                  nil)
            << bad.label;
        EXPECT_EQ([error code], NVRExtensionErrorEventDataNotSupported) << bad.label;
        const std::string message =
            "An error occurred creating ExtensionEvent 'broken'. Given data object does "
            "not conform to NSJSONSerialization.";
        EXPECT_EQ(ToCppString([error localizedDescription]), message) << bad.label;
        const auto lines = log.Service().GetLines();
        ASSERT_EQ(lines.size(), 1u) << bad.label;
        EXPECT_EQ(lines[0],
                  (CapturingLoggingService::Line{LoggingMode::Warning, "NVRExtensionEvent", message}));
    }
}

TEST_F(NVRExtensionTest, EventDataCrossesTheCoreAsJson) {
    NSArray* list = [NSArray arrayWithObjects:[NSNumber numberWithInt:1], @"two", nil];
    NSDictionary* inner = [NSDictionary dictionaryWithObject:[NSNumber numberWithBool:YES] forKey:@"flag"];
    NSDictionary* data =
        [NSDictionary dictionaryWithObjectsAndKeys:@"text", @"string", [NSNumber numberWithDouble:1.5],
                                                   @"double", [NSNumber numberWithInt:3], @"integer", list,
                                                   @"list", inner, @"object", nil];
    NSError* error = nil;
    NVRExtensionEvent* event = [NVRExtensionEvent extensionEventWithName:@"full"
                                                                    type:REQUEST_TYPE
                                                                  source:TEST_SOURCE
                                                                    data:data
                                                                   error:&error];
    ASSERT_NE(event, nil);
    EXPECT_EQ(error, nil);
    EXPECT_TRUE([[event eventName] isEqualToString:@"full"]);
    EXPECT_TRUE([[event eventType] isEqualToString:REQUEST_TYPE]);
    EXPECT_TRUE([[event eventSource] isEqualToString:TEST_SOURCE]);
    NSDictionary* read = [event eventData];
    EXPECT_TRUE([read isEqualToDictionary:data]) << ToCppString([read description]);
    EXPECT_TRUE([[[read objectForKey:@"object"] objectForKey:@"flag"] boolValue]);
    // New mutable containers on every read.
    [(NSMutableDictionary*)read setObject:@"changed" forKey:@"string"];
    EXPECT_TRUE([[[event eventData] objectForKey:@"string"] isEqualToString:@"text"]);

    NVRExtensionEvent* empty = [NVRExtensionEvent extensionEventWithName:@"empty"
                                                                    type:REQUEST_TYPE
                                                                  source:TEST_SOURCE
                                                                    data:nil
                                                                   error:NULL];
    ASSERT_NE(empty, nil);
    EXPECT_TRUE([[empty eventData] isEqualToDictionary:[NSDictionary dictionary]]);
}

/**
 * A started system with TestExtension registered and its two listeners in place. Teardown disposes the
 * core and waits, so no extension callback outlives the test's journal.
 */
class NVRExtensionOnCoreTest : public NVRExtensionTest {
protected:
    void SetUp() override {
        NVRExtensionTest::SetUp();
        core_ = MobileMarketingCoreBridge::GetInstance2()->GetCore();
        Gate started;
        core_->GetEventHub()->FinishModulesRegistration([&started] { started.Open(); });
        ASSERT_TRUE(started.Wait());
        NSError* error = nil;
        ASSERT_TRUE([NVRCore registerExtension:[TestExtension class] error:&error]);
        EXPECT_EQ(error, nil);
        ASSERT_TRUE(journal_.listenersReady.WaitFor(2));
        std::lock_guard<std::mutex> lock(journal_.mutex);
        extension_ = journal_.extension;
    }

    void TearDown() override {
        EXPECT_TRUE(core_->Dispose(SIGNAL_TIMEOUT));
        NVRExtensionTest::TearDown();
    }

    NVRExtensionApi* Api() { return [extension_ api]; }

    NVRExtensionEvent* Event(NSString* name, NSString* type, NSDictionary* data) {
        return [NVRExtensionEvent extensionEventWithName:name
                                                    type:type
                                                  source:TEST_SOURCE
                                                    data:data
                                                   error:NULL];
    }

    bool WildcardHeard(const std::string& name) {
        std::lock_guard<std::mutex> lock(journal_.mutex);
        return std::find(journal_.wildcardNames.begin(), journal_.wildcardNames.end(), name) !=
               journal_.wildcardNames.end();
    }

    std::shared_ptr<Core> core_;
    NVRExtension* extension_ = nil;
};

TEST_F(NVRExtensionOnCoreTest, ARequestIsAnsweredThroughTheResponseBlock) {
    Gate answered;
    Gate* answeredGate = &answered;
    __block NSDictionary* answer = nil;
    __block NSString* responseName = nil;
    NSError* error = nil;
    NVRExtensionEvent* request =
        Event(@"request", REQUEST_TYPE, [NSDictionary dictionaryWithObject:@"42" forKey:@"question"]);
    ASSERT_TRUE([NVRCore dispatchEventWithResponseCallback:request
                                          responseCallback:^(NVRExtensionEvent* response) {
                                            answer = [[response eventData] retain];
                                            responseName = [[response eventName] retain];
                                            answeredGate->Open();
                                          }
                                                     error:&error]);
    EXPECT_EQ(error, nil);
    ASSERT_TRUE(answered.Wait());
    EXPECT_TRUE([responseName isEqualToString:@"response"]);
    EXPECT_TRUE([answer isEqualToDictionary:[NSDictionary dictionaryWithObject:@"42" forKey:@"answer"]]);
    [answer release];
    [responseName release];
    // The wildcard listener hears the response too.
    EXPECT_TRUE(WaitUntil([this] { return WildcardHeard("request") && WildcardHeard("response"); }));
}

TEST_F(NVRExtensionOnCoreTest, APlainEventReachesTheWildcardListener) {
    NSError* error = nil;
    EXPECT_TRUE([NVRCore dispatchEvent:Event(@"plain", @"com.test.other", nil) error:&error]);
    EXPECT_EQ(error, nil);
    EXPECT_TRUE(WaitUntil([this] { return WildcardHeard("plain"); }));
}

TEST_F(NVRExtensionOnCoreTest, MissingEventsAndBlocksAreRefused) {
    NVRExtensionEvent* event = Event(@"request", REQUEST_TYPE, nil);
    void (^block)(NVRExtensionEvent*) = ^(NVRExtensionEvent*) {
    };
    struct {
        const char* label;
        BOOL (^dispatch)(NSError**);
        NSInteger code;
    } const cases[] = {{"nil event", ^BOOL(NSError** error){
                            return [NVRCore dispatchEvent:nil error:error];
}
, NVRExtensionErrorEventNull
}
, {"nil request", ^BOOL(NSError** error){
       return [NVRCore dispatchEventWithResponseCallback:nil responseCallback:block error:error];
}
, NVRExtensionErrorEventNull
}
, {"nil response", ^BOOL(NSError** error){
       return [NVRCore dispatchResponseEvent:nil requestEvent:event error:error];
}
, NVRExtensionErrorEventNull
}
, {"response to nil", ^BOOL(NSError** error){
       return [NVRCore dispatchResponseEvent:event requestEvent:nil error:error];
}
, NVRExtensionErrorEventNull
}
, {"nil response block", ^BOOL(NSError** error){
       return [NVRCore dispatchEventWithResponseCallback:event responseCallback:nil error:error];
}
, NVRExtensionErrorUnknown
}
,
}
;
for (const auto& refused : cases) {
    NSError* error = nil;
    EXPECT_FALSE(refused.dispatch(&error)) << refused.label;
    EXPECT_EQ([error code], refused.code) << refused.label;
    EXPECT_FALSE(refused.dispatch(NULL)) << refused.label;
}
}

TEST_F(NVRExtensionOnCoreTest, AFailingListenerIsReportedToTheExtensionAndHearsTheNextEvent) {
    ASSERT_TRUE([Api() registerListener:[RaisingListener class]
                              eventType:@"com.test.raise"
                            eventSource:TEST_SOURCE
                                  error:NULL]);
    ASSERT_TRUE(journal_.listenersReady.WaitFor(3));
    EXPECT_TRUE([NVRCore dispatchEvent:Event(@"first", @"com.test.raise", nil) error:NULL]);
    EXPECT_TRUE([NVRCore dispatchEvent:Event(@"second", @"com.test.raise", nil) error:NULL]);
    ASSERT_TRUE(journal_.unexpectedErrors.WaitFor(2));
    std::lock_guard<std::mutex> lock(journal_.mutex);
    EXPECT_EQ(journal_.errorCodes,
              (std::vector<NSInteger>{NVRExtensionErrorUnknown, NVRExtensionErrorUnknown}));
}

TEST_F(NVRExtensionOnCoreTest, ASecondExtensionOfTheSameNameIsRefusedAndReleased) {
    NSError* error = nil;
    EXPECT_FALSE([NVRCore registerExtension:[DuplicateExtension class] error:&error]);
    EXPECT_EQ([error code], NVRExtensionErrorDuplicateName);
    EXPECT_EQ(journal_.deallocs.Count(), 1);
    EXPECT_FALSE([NVRCore registerExtension:[TestExtension class] error:&error]);
    EXPECT_EQ([error code], NVRExtensionErrorDuplicateName);
    EXPECT_EQ(journal_.deallocs.Count(), 2);
}

TEST_F(NVRExtensionOnCoreTest, ListenerRegistrationChecksItsArguments) {
    struct {
        const char* label;
        Class listenerClass;
        NSString* type;
        NSString* source;
        NSInteger code;
    } const cases[] = {
        {"empty type and source", [EchoListener class], @"", @"", NVRExtensionErrorEventTypeNotSupported},
        {"nil type", [EchoListener class], nil, TEST_SOURCE, NVRExtensionErrorEventTypeNotSupported},
        {"empty source", [EchoListener class], REQUEST_TYPE, @"", NVRExtensionErrorEventSourceNotSupported},
        {"nil source", [EchoListener class], REQUEST_TYPE, nil, NVRExtensionErrorEventSourceNotSupported},
        {"not a listener", [NSObject class], REQUEST_TYPE, TEST_SOURCE, NVRExtensionErrorUnknown},
        {"nil listener", Nil, REQUEST_TYPE, TEST_SOURCE, NVRExtensionErrorUnknown},
    };
    for (const auto& refused : cases) {
        NSError* error = nil;
        EXPECT_FALSE([Api() registerListener:refused.listenerClass
                                   eventType:refused.type
                                 eventSource:refused.source
                                       error:&error])
            << refused.label;
        EXPECT_EQ([error code], refused.code) << refused.label;
    }
    NSError* error = nil;
    EXPECT_FALSE([Api() registerWildcardListener:[NSObject class] error:&error]);
    EXPECT_EQ([error code], NVRExtensionErrorUnknown);
}

TEST_F(NVRExtensionOnCoreTest, AStateIsPublishedAndReadBack) {
    NSError* error = nil;
    // Never handled by the hub: the state is pending at its number.
    NVRExtensionEvent* unhandled = Event(@"unhandled", REQUEST_TYPE, nil);
    EXPECT_TRUE([Api() setSharedEventState:nil event:unhandled error:&error]);
    EXPECT_EQ([Api() getSharedEventState:EXTENSION_NAME event:unhandled error:&error], nil);
    EXPECT_EQ(error, nil);

    NSArray* list = [NSArray arrayWithObjects:@"a", [NSNumber numberWithInt:2], nil];
    NSDictionary* state = [NSDictionary
        dictionaryWithObjectsAndKeys:[NSNumber numberWithInt:1], @"count", @"x", @"name", list, @"list", nil];
    EXPECT_TRUE([Api() setSharedEventState:state event:nil error:&error]);
    EXPECT_EQ(error, nil);
    NSDictionary* read = [Api() getSharedEventState:EXTENSION_NAME event:nil error:&error];
    EXPECT_EQ(error, nil);
    EXPECT_TRUE([read isEqualToDictionary:state]) << ToCppString([read description]);
    EXPECT_TRUE([[read objectForKey:@"count"] isKindOfClass:[NSNumber class]]);

    NSDictionary* dated = [NSDictionary dictionaryWithObject:[NSDate date] forKey:@"when"];
    EXPECT_FALSE([Api() setSharedEventState:dated event:nil error:&error]);
    EXPECT_EQ([error code], NVRExtensionErrorEventDataNotSupported);
    error = nil;
    EXPECT_TRUE([[Api() getSharedEventState:EXTENSION_NAME event:nil
                                      error:&error] isEqualToDictionary:state]);

    EXPECT_TRUE([Api() clearSharedEventStates:&error]);
    EXPECT_EQ([Api() getSharedEventState:EXTENSION_NAME event:nil error:&error], nil);
    EXPECT_EQ(error, nil);
    EXPECT_EQ([Api() getSharedEventState:@"com.test.nobody" event:nil error:&error], nil);
    EXPECT_EQ(error, nil);
}

TEST_F(NVRExtensionTest, AListenerThatUnregistersItsExtensionInHearOutlivesTheCall) {
    const auto core = MobileMarketingCoreBridge::GetInstance2()->GetCore();
    Gate started;
    core->GetEventHub()->FinishModulesRegistration([&started] { started.Open(); });
    ASSERT_TRUE(started.Wait());
    ASSERT_TRUE([NVRCore registerExtension:[WitnessExtension class] error:NULL]);
    ASSERT_TRUE([NVRCore registerExtension:[StoppingExtension class] error:NULL]);
    ASSERT_TRUE(journal_.listenersReady.WaitFor(2));

    NVRExtensionEvent* stop = [NVRExtensionEvent extensionEventWithName:STOP_EVENT
                                                                   type:REQUEST_TYPE
                                                                 source:TEST_SOURCE
                                                                   data:nil
                                                                  error:NULL];
    ASSERT_TRUE([NVRCore dispatchEvent:stop error:NULL]);
    ASSERT_TRUE(journal_.hearReturned.WaitFor(1));
    EXPECT_EQ(journal_.listenerDeallocsBeforeHearReturned, 0);
    // Released once its call is over, then the extension is told and goes.
    EXPECT_TRUE(journal_.listenerDeallocs.WaitFor(1));
    EXPECT_TRUE(journal_.unregistered.WaitFor(1));
    EXPECT_TRUE(journal_.deallocs.WaitFor(1));
    EXPECT_TRUE(core->Dispose(SIGNAL_TIMEOUT));
}

TEST_F(NVRExtensionOnCoreTest, AfterUnregistrationTheApiAnswersCode0AndTheExtensionGoes) {
    ScopedCapturingLog log(LoggingMode::Trace);
    NVRExtensionApi* api = [Api() retain];
    [api unregisterExtension];
    ASSERT_TRUE(journal_.unregistered.WaitFor(1));
    // The extension and the api held each other; both let go.
    ASSERT_TRUE(journal_.deallocs.WaitFor(1));
    // The module still knows the name of the extension it released.
    EXPECT_TRUE(WaitUntil(
        [&log] { return log.Service().Contains("Unregistered external module \"com.test.extension\""); }));
    const auto hub = core_->GetEventHub();
    EXPECT_TRUE(WaitUntil([&hub] { return !hub->IsRegisteredModule(ToCppString(EXTENSION_NAME)); }));

    NSDictionary* state = [NSDictionary dictionaryWithObject:@"x" forKey:@"name"];
    struct {
        const char* label;
        BOOL (^call)(NSError**);
    } const cases[] = {{"register", ^BOOL(NSError** error){
                            return [api registerListener:[EchoListener class]
                                               eventType:REQUEST_TYPE
                                             eventSource:TEST_SOURCE
                                                   error:error];
}
}
, {"register wildcard", ^BOOL(NSError** error){
       return [api registerWildcardListener:[WildcardListener class] error:error];
}
}
, {"set state", ^BOOL(NSError** error){
       return [api setSharedEventState:state event:nil error:error];
}
}
, {"clear states", ^BOOL(NSError** error){
       return [api clearSharedEventStates:error];
}
}
, {"get state", ^BOOL(NSError** error){
       return [api getSharedEventState:EXTENSION_NAME event:nil error:error] != nil;
}
}
,
}
;
for (const auto& late : cases) {
    NSError* error = nil;
    EXPECT_FALSE(late.call(&error)) << late.label;
    EXPECT_EQ([error code], NVRExtensionErrorUnknown) << late.label;
    EXPECT_NE(error, nil) << late.label;
}
[api unregisterExtension];
[api release];
}

}  // namespace
}  // namespace NuvraMobile
