#pragma once

// The app's own base class. Its folder and name are those of an SDK header on purpose: the app's include
// folder comes first on its include path, and the SDK's headers must still find their own.
namespace ConsumerApp {

struct Object {
    virtual ~Object() = default;
};

}  // namespace ConsumerApp
