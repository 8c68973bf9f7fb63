#pragma once

#include <QObject>

namespace vantrel {

// The document of the single-document window: the host keeps its data in the view, so the
// document holds nothing and stores nothing.
class CVantrelDoc : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void serialize() const {}
};

}  // namespace vantrel
