#pragma once

#include <QObject>

class ParametrDouble;
class ParametrEnum;
class VrPointsModel;

// The parameters and run state of a verification, and its points.
class Verification : public QObject
{
    Q_OBJECT
public:
    explicit Verification(QObject *parent = nullptr);

    static Verification *instance;

    // Rebuilds the up and down strokes; false (and the points kept) when the
    // interval and step allow no table.
    bool buildPoints();

    int state() const { return m_state; }
    void setState(int state);

    VrPointsModel *pointsModel() const { return m_model; }

    ParametrEnum *prVerificationMode;
    ParametrDouble *prMinValue;
    ParametrDouble *prMaxValue;
    ParametrDouble *prStep;
    ParametrEnum *prAutoStepCompute;

public slots:
    void computeAutoStep();

signals:
    void stateChanged();

private:
    // 1 stopped, 0 running.
    int m_state = 1;
    VrPointsModel *m_model;
};
