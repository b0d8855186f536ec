#pragma once
// Linux: the shared services as a Bluetooth LE peripheral, through BlueZ's D-Bus API. The station
// exports a GATT application (GattService1 and GattCharacteristic1 objects under an
// ObjectManager) and an LE advertisement, and registers both with the first adapter that offers
// GattManager1 and LEAdvertisingManager1. BlueZ reads the values with ReadValue and, once an app
// subscribes (StartNotify), takes each new measurement from a PropertiesChanged signal on Value.

#ifdef __linux__

#include "share/characteristic_source.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

enum class PeripheralState {
    Off,
    Registering, // the application and the advertisement are handed to BlueZ
    Advertising, // BlueZ took both: apps nearby see the sensor
    NoAdapter,   // no BlueZ on the bus, or no adapter that can be a peripheral
    Failed,      // BlueZ refused the application or the advertisement
};

struct PeripheralStatus {
    PeripheralState state = PeripheralState::Off;
    std::string detail; // BlueZ's own words on a refusal
};

class BluezPeripheral final : public QDBusVirtualObject {
  public:
    // The objects live under root on the bus, the application at root and the advertisement
    // beside it. heartRate adds the Heart Rate service.
    BluezPeripheral(QDBusConnection bus, const CharacteristicSource& source, bool heartRate,
                    const QString& localName, const QString& root = "/org/zan/station");
    ~BluezPeripheral() override;
    BluezPeripheral(const BluezPeripheral&) = delete;
    BluezPeripheral& operator=(const BluezPeripheral&) = delete;

    // Exports the objects and registers them with the adapter; the answers come through the
    // bus's event loop, Status() follows them.
    void Start();
    void Stop();
    PeripheralStatus Status() const { return status; }
    // The adapter's object path, once one is found.
    QString AdapterPath() const { return adapter; }

    // A new value of the characteristic: subscribed apps get it as a notification. An empty
    // value sends nothing.
    void Publish(std::uint16_t characteristic);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

  private:
    struct Characteristic {
        std::uint16_t uuid;
        bool notifies;
        QString path;
        bool notifying = false;
    };
    struct Service {
        std::uint16_t uuid;
        QString path;
        std::vector<Characteristic> characteristics;
    };

    void RegisterWith(const QString& adapterPath);
    void Answered(const QDBusMessage& reply, bool application);
    QVariantMap ServiceProperties(const Service& service) const;
    QVariantMap CharacteristicProperties(const Service& service, const Characteristic& c) const;
    QVariantMap AdvertisementProperties() const;
    bool Properties(const QDBusMessage& message, const QDBusConnection& connection);

    QDBusConnection bus;
    const CharacteristicSource& source;
    QString localName;
    QString root;
    QString advertisementPath;
    std::vector<Service> services;
    QString adapter;
    bool exported = false;
    int registered = 0; // of the application and the advertisement
    PeripheralStatus status;
};

// The 128-bit form BlueZ speaks of a 16-bit Bluetooth SIG number.
QString BluetoothUuid(std::uint16_t number);

#endif
