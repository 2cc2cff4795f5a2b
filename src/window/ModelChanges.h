#pragma once

#include <QAbstractItemModel>

#include <functional>

// Runs `before` ahead of every structural change of a model (rows inserted, removed or moved,
// a reset) and `after` once it is done: views use it to tell the selection changes the model
// causes from the user's.
class ModelChanges {
public:
    static void bracket(const QAbstractItemModel* model, const QObject* context,
                        const std::function<void()>& before, const std::function<void()>& after) {
        using M = QAbstractItemModel;
        QObject::connect(model, &M::rowsAboutToBeRemoved, context, before);
        QObject::connect(model, &M::rowsRemoved, context, after);
        QObject::connect(model, &M::rowsAboutToBeInserted, context, before);
        QObject::connect(model, &M::rowsInserted, context, after);
        QObject::connect(model, &M::rowsAboutToBeMoved, context, before);
        QObject::connect(model, &M::rowsMoved, context, after);
        QObject::connect(model, &M::modelAboutToBeReset, context, before);
        QObject::connect(model, &M::modelReset, context, after);
    }
};
