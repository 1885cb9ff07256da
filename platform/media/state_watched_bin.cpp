#include "platform/media/state_watched_bin.h"

namespace platform::media {
namespace {

constexpr const char* kListenerKey = "bin-state-listener";
GstElementClass* s_bin_class = nullptr;

BinStateListener* ListenerOf(GstElement* element)
{
    return static_cast<BinStateListener*>(g_object_get_data(G_OBJECT(element), kListenerKey));
}

GstStateChangeReturn ChangeState(GstElement* element, GstStateChange transition)
{
    BinStateListener* listener = ListenerOf(element);
    if (listener) listener->StateChanging(transition);
    const GstStateChangeReturn result = s_bin_class->change_state(element, transition);
    if (listener) listener->StateChanged(transition, result);
    return result;
}

GType StateWatchedBinType()
{
    static const GType type = [] {
        GTypeQuery bin{};
        g_type_query(GST_TYPE_BIN, &bin);
        GTypeInfo info{};
        info.class_size = static_cast<guint16>(bin.class_size);
        info.instance_size = static_cast<guint16>(bin.instance_size);
        info.class_init = [](gpointer klass, gpointer) {
            s_bin_class = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
            GST_ELEMENT_CLASS(klass)->change_state = ChangeState;
        };
        return g_type_register_static(GST_TYPE_BIN, "HeadUnitStateWatchedBin", &info, static_cast<GTypeFlags>(0));
    }();
    return type;
}

}  // namespace

GstElement* MakeStateWatchedBin(const char* name)
{
    return GST_ELEMENT(g_object_new(StateWatchedBinType(), "name", name, nullptr));
}

void SetBinStateListener(GstElement* bin, std::unique_ptr<BinStateListener> listener)
{
    g_object_set_data_full(G_OBJECT(bin), kListenerKey, listener.release(),
                           [](gpointer data) { delete static_cast<BinStateListener*>(data); });
}

}  // namespace platform::media
