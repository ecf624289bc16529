// Shotcut's entry for the MLT filter "meridel"; its panel is ui.qml.
import QtQuick 2.0
import org.shotcut.qml 1.0

Metadata {
    type: Metadata.Filter
    objectName: 'meridel'
    name: qsTr('Meridel GPS caption')
    keywords: qsTr('gps gpx caption track position time date map josm openstreetmap')
    mlt_service: 'meridel'
    qml: 'ui.qml'
}
