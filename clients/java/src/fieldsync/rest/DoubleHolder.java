package fieldsync.rest;

/** An out or in/out parameter: the call reads and replaces its value. */
public class DoubleHolder {
  public double value;

  public DoubleHolder() {
  }

  public DoubleHolder(double value) {
    this.value = value;
  }
}
